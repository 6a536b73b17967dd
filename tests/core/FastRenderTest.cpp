// The fast renderer against the literal one, whole frames, on views chosen to
// reach every fast path: each row of the limit table, depths where columns
// repeat to the bit, exact cycles, mirrored rows, degenerate views and sizes.

#include "IsInSet.h"
#include "Kernel.h"
#include "ProofRation.h"
#include "RenderMandelbrot.h"

#include "LiteralCount.h"
#include "ParamName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
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
  TRenderOptions Portable;
  Portable.Threads = 2;
  Portable.PortableKernel = true;
  ExpectSameFrame(RenderFrame(TopLeft, BottomRight, View.Width, View.Height, Portable), Literal,
                  "portable kernel");
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
}

INSTANTIATE_TEST_SUITE_P(Views, FastRenderTest, testing::ValuesIn(Views), TParamName());

TEST(KernelTest, KnownCountsInEveryLane) {
  // Known counts, fed so that escapes land in different lanes at different
  // times, with the limit cutting some off; 0 means "did not escape".
  struct TCase {
    TExtended X, Y;
    std::int32_t Limit, Count;
  } Cases[] = {{-2.5L, 1.25L, 50, 1},  {2.0L, 0.0L, 50, 2},     {-2.0L, 0.0L, 10000, 0},
               {0.26L, 0.0L, 1000, 30}, {0.5L, 0.0L, 4, 0},      {-0.75L, 0.1L, 1000, 33},
               {1.0L, 1.0L, 50, 2},     {0.25L, 0.0L, 10000, 0}, {0.5L, 0.0L, 5, 5},
               {258.0L / 1024, 590.0L / 1024, 200, 125}};
  for (const bool Portable : {false, true})
    for (const TCase& Case : Cases) {
      // Surround each point by others so the lanes fill and drain unevenly.
      std::vector<std::int32_t> Counts(4, -1);
      std::vector<TSample> Samples = {{0.3L, 0.0L, &Counts[0]},
                                      {Case.X, Case.Y, &Counts[1]},
                                      {-0.75L, 0.1L, &Counts[2]},
                                      {Case.X, Case.Y, &Counts[3]}};
      TListFeed Feed(Samples);
      if (Portable)
        IterateSamplesPortable(Feed, Case.Limit);
      else
        IterateSamples(Feed, Case.Limit);
      EXPECT_EQ(Counts[1], Case.Count) << static_cast<double>(Case.X) << " limit " << Case.Limit;
      EXPECT_EQ(Counts[3], Case.Count) << static_cast<double>(Case.X) << " limit " << Case.Limit;
    }
}

// Counts from both kernels for one point under many limits, against the
// literal loop.
void ExpectLiteralCounts(TExtended X, TExtended Y, std::int32_t FirstLimit, std::int32_t LastLimit) {
  for (std::int32_t Limit = FirstLimit; Limit <= LastLimit; ++Limit) {
    const std::int32_t Literal = LiteralCount(X, Y, Limit);
    for (const bool Portable : {false, true}) {
      std::int32_t Count = -1;
      const std::vector<TSample> Samples{{X, Y, &Count}};
      TListFeed Feed(Samples);
      if (Portable)
        IterateSamplesPortable(Feed, Limit);
      else
        IterateSamples(Feed, Limit);
      ASSERT_EQ(Count, Literal) << (Portable ? "portable" : "x87") << " at (-2, 2^"
                                << std::ilogb(Y) << ") limit " << Limit;
    }
  }
}

TEST(KernelTest, EscapesOnTheCircleAreFoundExactly) {
  // For c = -2 + i y with tiny y, zr stays exactly 2 while zi grows fourfold
  // an iteration; the orbit escapes when zi^2 outgrows the rounding of 4,
  // and |z|^2 then stays within a hair of 4 for several iterations. An
  // escape there must be found to the iteration whatever block, window or
  // limit it falls in, and a state whose real part repeats is no cycle.
  for (int K = 240; K <= 520; K += 7) {
    const TExtended Y = std::ldexp(1.0L, -K);
    std::int32_t Count = 0;
    ASSERT_FALSE(IsInSet({-2, Y}, 10000, Count));
    ExpectLiteralCounts(-2, Y, Count - 3, Count + 40);
  }
}

TEST(KernelTest, ProofTriesRationedWhereTheyFail) {
  // Without credit a few tries are still granted, so a thread that starts
  // among hopeless orbits tries again later; a proof earns credit.
  TProofRation Ration;
  for (int K = 0; K < 100; ++K)
    if (Ration.Grants())
      Ration.Record(false);
  int Granted = 0;
  for (int K = 0; K < 64; ++K)
    Granted += Ration.Grants();
  EXPECT_GE(Granted, 1); // tries again later
  EXPECT_LE(Granted, 8); // but rarely
  Ration.Record(true);
  EXPECT_TRUE(Ration.Grants() && Ration.Grants());

  // Shared by threads: failures recorded at once by several of
  // them never drive the credit below nothing, so one proof restores it.
  TProofRation Shared;
  {
    std::vector<std::jthread> Threads;
    for (int T = 0; T < 4; ++T)
      Threads.emplace_back([&Shared] {
        for (int K = 0; K < 5000; ++K)
          Shared.Record(false);
      });
  }
  Granted = 0;
  for (int K = 0; K < 64; ++K)
    Granted += Shared.Grants();
  EXPECT_GE(Granted, 1);
  EXPECT_LE(Granted, 8);
  Shared.Record(true);
  EXPECT_TRUE(Shared.Grants() && Shared.Grants());

  // The ration of double orbits weighs iterations: deep in debt it tries
  // one sample in 256; the debt is bounded, so a long settled run pays it
  // back, from any number of threads.
  TStepRation Steps;
  EXPECT_TRUE(Steps.Grants());
  {
    std::vector<std::jthread> Threads;
    for (int T = 0; T < 4; ++T)
      Threads.emplace_back([&Steps] {
        for (int K = 0; K < 100; ++K)
          Steps.Record(false, 1 << 20);
      });
  }
  Granted = 0;
  for (int K = 0; K < 1024; ++K)
    Granted += Steps.Grants();
  EXPECT_EQ(Granted, 4);
  Steps.Record(true, (1 << 20) + 1);
  EXPECT_TRUE(Steps.Grants() && Steps.Grants());

  // The counts stay the literal loop's whoever is tried: orbits that escape
  // after the try (past 512 iterations, near the cusp) use up the credit,
  // then attracted ones and more late escapers follow.
  std::vector<TExtPoint> Points;
  for (int K = 0; K < 60; ++K)
    Points.push_back({0.25L + (1 + K % 20) * 5e-7L, K * 1e-9L});
  for (int K = 0; K < 30; ++K)
    Points.push_back({-0.1L + K * 1e-3L, 0.1L});
  for (int K = 0; K < 30; ++K)
    Points.push_back({0.25L + (1 + K) * 5e-7L, 0});
  constexpr std::int32_t Limit = 3000;
  for (const bool Portable : {false, true}) {
    std::vector<std::int32_t> Counts(Points.size(), -1);
    std::vector<TSample> Samples;
    for (std::size_t K = 0; K < Points.size(); ++K)
      Samples.push_back({Points[K].X, Points[K].Y, &Counts[K]});
    TListFeed Feed(Samples);
    if (Portable)
      IterateSamplesPortable(Feed, Limit);
    else
      IterateSamples(Feed, Limit);
    for (std::size_t K = 0; K < Points.size(); ++K)
      EXPECT_EQ(Counts[K], LiteralCount(Points[K].X, Points[K].Y, Limit)) << K;
  }
}

// Deep in the main cardioid nothing comes near |z| = 2: lanes that iterate
// there to the limit are never reported. Around the boundary, escapes past
// the first iterations are.
TEST(KernelTest, WatchReportsEscapesOnly) {
  if (!HasX87Kernel())
    GTEST_SKIP() << "no x87 kernel here";
  std::vector<std::int32_t> Counts(60);
  std::vector<TSample> Inside;
  for (std::size_t K = 0; K < Counts.size(); ++K)
    Inside.push_back({-0.3L + K * 1e-3L, 0.1L + K * 1e-3L, &Counts[K]});
  const std::int64_t Before = X87WatchReports(), LoadedBefore = X87LanesLoaded();
  TListFeed Feed(Inside);
  IterateSamples(Feed, 3000, false);
  EXPECT_EQ(X87WatchReports(), Before);
  EXPECT_EQ(X87LanesLoaded() - LoadedBefore, static_cast<std::int64_t>(Inside.size()));
  EXPECT_EQ(std::count(Counts.begin(), Counts.end(), 0), static_cast<long>(Counts.size()));
  RenderFrame({SeaX, SeaY}, {SeaX + 1e-4L, SeaY - 6e-5L}, 40, 24);
  EXPECT_GT(X87WatchReports(), Before);
}

// The portable loop, once chosen, iterates every sample that is iterated
// exactly: the frame's and the proofs' probes of tile corners alike.
TEST(KernelTest, PortableKernelGovernsEveryExactIteration) {
  TRenderOptions Portable;
  Portable.PortableKernel = true;
  const TExtPoint TopLeft{SeaX, SeaY}, BottomRight{SeaX + 2e-4L, SeaY - 1.2e-4L};
  std::int64_t Before = X87LanesLoaded();
  const TFrame ByPortable = RenderFrame(TopLeft, BottomRight, 100, 80, Portable);
  EXPECT_EQ(X87LanesLoaded(), Before);
  EXPECT_GT(ByPortable.ProvedSamples, 0); // the proofs ran, and probed
  Before = X87LanesLoaded();
  const TFrame ByX87 = RenderFrame(TopLeft, BottomRight, 100, 80);
  EXPECT_EQ(X87LanesLoaded() > Before, HasX87Kernel());
  EXPECT_TRUE(ByPortable.Image == ByX87.Image);
}

} // namespace
