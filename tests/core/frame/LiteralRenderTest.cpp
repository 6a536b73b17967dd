#include "IsInSet.h"
#include "Palette.h"
#include "RenderMandelbrot.h"
#include "View.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace {

std::uint64_t Fnv1a(const TBitmap& Image) {
  std::uint64_t Hash = 1469598103934665603ull;
  const auto* Bytes = reinterpret_cast<const unsigned char*>(Image.Bits());
  for (std::size_t K = 0; K < static_cast<std::size_t>(Image.Width()) * Image.Height() * 4; ++K)
    Hash = (Hash ^ Bytes[K]) * 1099511628211ull;
  return Hash;
}

std::set<TColor> Colours(const TBitmap& Image) {
  std::set<TColor> Seen;
  for (int Y = 0; Y < Image.Height(); ++Y)
    for (int X = 0; X < Image.Width(); ++X)
      Seen.insert(Image.Pixel(X, Y));
  return Seen;
}

TExtPoint StartTopLeft() { return {StartViewLeft, StartViewTop}; }
TExtPoint StartBottomRight() {
  return {ViewRight(StartViewTop, StartViewLeft, StartViewBottom, 577, 353), StartViewBottom};
}

TEST(LiteralRenderTest, StartView) {
  const TFrame Frame = RenderFrameLiteral(StartTopLeft(), StartBottomRight(), 577, 353);
  EXPECT_EQ(Frame.Limit, 50);
  EXPECT_EQ(Frame.MinCount, 1);
  EXPECT_EQ(Frame.MaxCount, 50);
  ASSERT_EQ(Frame.Image.Width(), 577);
  ASSERT_EQ(Frame.Image.Height(), 353);
  EXPECT_EQ(Frame.Image.Pixel(0, 0), 0x080808u); // escapes at 1 of 1..50
  EXPECT_EQ(Frame.Image.Pixel(200, 176), clBlack); // inside the main cardioid
  // Pinned: any change to a single pixel of the start view shows here.
  EXPECT_EQ(Fnv1a(Frame.Image), 0x12ef7a4d0b9133abull) << std::hex << Fnv1a(Frame.Image);
}

TEST(LiteralRenderTest, StartViewRightEdge) {
  // -2.5 + 2.5 * 577 / 353, multiplied before divided, in extended precision.
  EXPECT_EQ(StartBottomRight().X, 0xc.b0f3abe01734f0cp-3L);
}

TEST(LiteralRenderTest, EdgeSamplesShapeTheGreyLevels) {
  // One visible pixel, four samples: the corner (-2.5, 1.25) escapes at 1,
  // the other three (on the right edge and bottom row) later. Were they left
  // out, the lone count would be the frame's maximum and the pixel white.
  const TFrame Frame = RenderFrameLiteral({-2.5L, 1.25L}, {-1.0L, 0.0L}, 1, 1);
  EXPECT_EQ(Frame.MinCount, 1);
  EXPECT_GT(Frame.MaxCount, 1);
  EXPECT_NE(Frame.Image.Pixel(0, 0), clWhite);
  EXPECT_NE(Frame.Image.Pixel(0, 0), clBlack);
}

TEST(LiteralRenderTest, ZeroHeightViewIsOneColourAtTheDeepestLimit) {
  const TExtPoint Escaping{-0.75L, 0.1L};
  const TFrame White = RenderFrameLiteral(Escaping, Escaping, 20, 10);
  EXPECT_EQ(White.Limit, 10000);
  EXPECT_EQ(White.MinCount, 33);
  EXPECT_EQ(White.MaxCount, 33);
  EXPECT_EQ(Colours(White.Image), std::set<TColor>{clWhite});

  const TExtPoint Inside{-0.1L, 0.1L};
  const TFrame Black = RenderFrameLiteral(Inside, Inside, 20, 10);
  EXPECT_EQ(Black.MinCount, NoMinCount);
  EXPECT_EQ(Black.MaxCount, NoMaxCount);
  EXPECT_EQ(Colours(Black.Image), std::set<TColor>{clBlack});
}

TEST(LiteralRenderTest, NegativeHeightSamplesUpwardFromTheTop) {
  // Top below bottom: dy is negative, so row j lies j * |dy| above the top.
  // Which pixels are black tells which samples were taken.
  const TExtended Left = -1.0L, Top = -0.5L, Bottom = 0.5L;
  const TFrame Frame = RenderFrameLiteral({Left, Top}, {Left + 1, Bottom}, 1, 8);
  EXPECT_EQ(Frame.Limit, 10000);
  for (int J = 0; J < 8; ++J) {
    std::int32_t Count = 0;
    const bool Inside = IsInSet({Left, Top + J * 0.125L}, 10000, Count);
    EXPECT_EQ(Frame.Image.Pixel(0, J) == clBlack, Inside) << "row " << J;
  }
}

TEST(LiteralRenderTest, RejectsEmptyFrames) {
  EXPECT_THROW(RenderFrameLiteral(StartTopLeft(), StartBottomRight(), 0, 10),
               std::invalid_argument);
  EXPECT_THROW(RenderFrameLiteral(StartTopLeft(), StartBottomRight(), 10, -1),
               std::invalid_argument);
}

} // namespace

// Deep views pinned to their pictures. Both renderers compute the samples
// by the same expressions (i x dx + left, top - j x dy), so comparing them
// cannot catch a change to those; at these depths any change of order or
// grouping moves samples by a unit in the last place and changes the
// picture.
TEST(LiteralRenderTest, DeepViewsKeepTheirPictures) {
  constexpr TExtended SeaX = -0.743643887037158704752L, SeaY = 0.131825904205311970493L;
  const struct {
    const char* Name;
    TExtPoint TopLeft, BottomRight;
    std::uint64_t Hash;
  } Views[] = {
      {"1e-16", {SeaX - 1e-16L, SeaY + 6e-17L}, {SeaX + 1e-16L, SeaY - 6e-17L}, 0xbb038736d9acaa84ull},
      {"1e-18 off-centre", {SeaX - 3e-18L, SeaY + 1e-18L}, {SeaX + 1e-18L, SeaY - 2e-18L}, 0x740f63a301daea86ull},
      {"past the resolution", {SeaX - 1e-19L, SeaY + 6e-20L}, {SeaX + 1e-19L, SeaY - 6e-20L}, 0x4e4455a99fe73102ull},
      {"noisy edge 3e-15", {-1.1838712623430478114L, -0.16942373243438045L},
       {-1.1838712623430420000L, -0.16942373243438245L}, 0x40087d8f11a35535ull},
      {"edges in reverse 2e-15", {SeaX + 3e-15L, SeaY - 1e-15L}, {SeaX - 3e-15L, SeaY + 1e-15L},
       0x6bff68916a120ae2ull},
  };
  for (const auto& View : Views) {
    const TFrame Frame = RenderFrameLiteral(View.TopLeft, View.BottomRight, 60, 36);
    EXPECT_EQ(Fnv1a(Frame.Image), View.Hash) << View.Name << std::hex << ": " << Fnv1a(Frame.Image);
    EXPECT_GT(Colours(Frame.Image).size(), 2u) << View.Name; // a picture, not a flat field
  }
}
