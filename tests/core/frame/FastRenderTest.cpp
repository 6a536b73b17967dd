// The fast renderer against the literal one, whole frames, on views chosen to
// reach every fast path: each row of the limit table, depths where columns
// repeat to the bit, exact cycles, mirrored rows, degenerate views and sizes.

#include "FrameBands.h"
#include "RenderMandelbrot.h"

#include "ParamName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

struct TView {
  const char* Name;
  TExtended Left, Top, Right, Bottom;
  std::int32_t Width = 100, Height = 60;
};

// A boundary point in the valley between the cardioid and the period-2 bulb.
constexpr TExtended SeaX = -0.743643887037158704752L;
constexpr TExtended SeaY = 0.131825904205311970493L;

TView Around(const char* Name, TExtended X, TExtended Y, TExtended Height, std::int32_t W = 100,
             std::int32_t H = 60) {
  const TExtended Width = Height * W / H;
  return {Name, X - Width / 2, Y + Height / 2, X + Width / 2, Y - Height / 2, W, H};
}

const TView Views[] = {
    {"start view", -2.5L, 1.25L, 1.5864022662889518413L, -1.25L},
    {"height exactly 1", -1.5L, 0.5L, 0.16L, -0.5L},
    Around("limit 1000", SeaX, SeaY, 0.05L),
    Around("limit 2000", SeaX, SeaY, 0.005L),
    Around("limit 3000", SeaX, SeaY, 5e-4L),
    Around("limit 4000", SeaX, SeaY, 5e-5L),
    Around("limit 5000", SeaX, SeaY, 5e-6L),
    Around("limit 6000", SeaX, SeaY, 5e-7L),
    Around("limit 7000", SeaX, SeaY, 5e-8L),
    Around("limit 8000", SeaX, SeaY, 5e-9L),
    Around("limit 9000", SeaX, SeaY, 5e-10L),
    Around("limit 10000", SeaX, SeaY, 5e-11L),
    Around("deep 1e-16", SeaX, SeaY, 1e-16L),
    // Here a pixel is narrower than the spacing of extended values near x,
    // so neighbouring columns (and rows) repeat to the bit.
    Around("past the resolution", SeaX, SeaY, 1e-19L),
    Around("interior, exact cycles", -0.1L, 0.1L, 1e-11L, 40, 24),
    Around("period-3 bulb, exact cycles", -0.122561166876654L, 0.744861766619744L, 1e-3L),
    Around("mirrored rows", -0.6L, 0.0L, 2.0L),
    Around("mirrored, off-centre", -1.3L, 0.05L, 0.3L),
    {"zero height, escaping point", -0.75L, 0.1L, -0.75L, 0.1L},
    {"zero height, inside", -0.1L, 0.1L, -0.1L, 0.1L},
    {"flat drag view", 0.3L, 0.2L, 0.3L + 2e-19L, 0.2L - 1e-19L},
    {"negative height", -1.0L, -0.6L, 0.2L, 0.4L},
    {"edges in reverse", 0.5L, -1.0L, -2.0L, 1.0L},
    {"one pixel", -0.75L, 0.2L, -0.7L, 0.15L, 1, 1},
    {"one row", SeaX, SeaY, SeaX + 1e-3L, SeaY - 1e-4L, 100, 1},
    {"one column", SeaX, SeaY, SeaX + 1e-4L, SeaY - 1e-3L, 1, 100},
    {"huge coordinates", -1e300L, 1e300L, 1e300L, -1e300L, 8, 5},
    {"tiny coordinates", -1e-300L, 1e-300L, 1e-300L, -1e-300L, 8, 5},
    {"beyond double range", -1e-4000L, 1e-4000L, 1e-4000L, -1e-4000L, 8, 5},
};

class FastRenderTest : public testing::TestWithParam<TView> {};

void ExpectSameFrame(const TFrame& Fast, const TFrame& Literal, const std::string& How) {
  EXPECT_EQ(Fast.Limit, Literal.Limit) << How;
  EXPECT_EQ(Fast.MinCount, Literal.MinCount) << How;
  EXPECT_EQ(Fast.MaxCount, Literal.MaxCount) << How;
  EXPECT_TRUE(Fast.Image == Literal.Image) << How << ": the images differ";
}

TEST_P(FastRenderTest, IdenticalToTheLiteralRenderer) {
  const TView& View = GetParam();
  const TExtPoint TopLeft{View.Left, View.Top}, BottomRight{View.Right, View.Bottom};
  const TFrame Literal = RenderFrameLiteral(TopLeft, BottomRight, View.Width, View.Height);
  for (const int Threads : {1, 2, 3, 7}) {
    TRenderOptions Options;
    Options.Threads = Threads;
    ExpectSameFrame(RenderFrame(TopLeft, BottomRight, View.Width, View.Height, Options), Literal,
                    std::to_string(Threads) + " threads");
  }
  for (const TExactKernel Kernel : {TExactKernel::Portable, TExactKernel::Soft}) {
    TRenderOptions Other;
    Other.Threads = 2;
    Other.Kernel = Kernel;
    ExpectSameFrame(RenderFrame(TopLeft, BottomRight, View.Width, View.Height, Other), Literal,
                    Kernel == TExactKernel::Soft ? "software extended kernel" : "portable kernel");
  }
  TRenderOptions Unproved;
  Unproved.Proofs = false;
  ExpectSameFrame(RenderFrame(TopLeft, BottomRight, View.Width, View.Height, Unproved), Literal,
                  "without proofs");
  // Proofs on every frame, down to tiles of two samples, each proved sample
  // checked against the literal loop.
  TRenderOptions Tiny;
  Tiny.Threads = 3;
  Tiny.Proof = {4, 2, true};
  Tiny.CheckProofs = true;
  ExpectSameFrame(RenderFrame(TopLeft, BottomRight, View.Width, View.Height, Tiny), Literal,
                  "tiny proof tiles");
  EXPECT_TRUE(RenderMandelbrot(TopLeft, BottomRight, View.Width, View.Height) == Literal.Image);
  // In pieces, as the page's workers compute a frame (one thread each, the
  // last pieces of a row or column short; single rows, as the samples the
  // GPU hands back are computed), then painted as one.
  for (const auto& [Side, Down] : {std::pair{7, 5}, std::pair{13, 1}, std::pair{64, 64}}) {
    TRenderOptions Pieces;
    Pieces.Threads = 1;
    Pieces.Proof = {4, 2, true};
    Pieces.CheckProofs = true;
    const std::int32_t Columns = View.Width + 1;
    std::vector<std::int32_t> Counts(static_cast<std::size_t>(Columns) * (View.Height + 1));
    for (std::int32_t Row = 0; Row <= View.Height; Row += Down)
      for (std::int32_t Column = 0; Column < Columns; Column += Side) {
        const TGridPiece Piece{Column, std::min(Side, Columns - Column), Row,
                               std::min(Down, View.Height + 1 - Row)};
        const std::vector<std::int32_t> Part =
            RenderCountPiece(TopLeft, BottomRight, View.Width, View.Height, Piece, Pieces);
        for (std::int32_t J = 0; J < Piece.Rows; ++J)
          std::copy_n(Part.begin() + J * Piece.Columns, Piece.Columns,
                      Counts.begin() + (Row + J) * Columns + Column);
      }
    EXPECT_TRUE(PaintCounts(Counts.data(), View.Width, View.Height) == Literal.Image)
        << "pieces of " << Side << " x " << Down;
  }
}

INSTANTIATE_TEST_SUITE_P(Views, FastRenderTest, testing::ValuesIn(Views), TParamName());

} // namespace
