// Region proofs: whole frames where they succeed, fail and partly succeed,
// compared with the literal renderer, and the proof of one box on its own.

#include "ExtendedMath.h"
#include "IsInSet.h"
#include "Orbit.h"
#include "RenderMandelbrot.h"
#include "BoxProof.h"

#include "ParamName.h"
#include "View.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <utility>

namespace {

struct TProofView {
  const char* Name;
  TExtended Left, Top, Bottom; // the right edge follows from the size
  // The share of all samples proved with the default tiles lies between
  // these; a view where none can be proved says so with a maximum of 0.
  double MinProvedShare, MaxProvedShare = 1;
};

constexpr std::int32_t Width = 120, Height = 72;

const TProofView ProofViews[] = {
    // At the root of the period-3 bulb: in the set, no exact cycles.
    {"bulb root", -0.125L - 1e-11L, 0.649519052838329L + 5e-12L, 0.649519052838329L - 5e-12L, 0.9},
    // Deep in the main cardioid: proofs close on themselves within few steps.
    {"cardioid", -0.1L - 1e-11L, 0.1L + 5e-12L, 0.1L - 5e-12L, 0.99},
    // Bands of equal counts with their edges running through tiles.
    {"exterior bands", -0.7436453L, 0.1318268L, 0.13182675L, 0.5},
    // Mostly filaments: tiles straddle the boundary, few proofs succeed.
    {"seahorse valley", -0.7436479734L, 0.1318284042L, 0.1318234042L, 0.03, 0.2},
    // A small copy of the set, its cardioid proved, its filaments not.
    {"minibrot", -1.7548776662466927L - 0.0245L, 0.015L, -0.015L, 0.05},
    // Samples that escape late, after their brief probes and often after the
    // limit: corners are pending, then known, and proofs of 0 fail.
    {"slow escapers", 0.28569L, 0.01490005L, 0.01489995L, 0, 0},
    // Straddling the real axis, where rows mirror each other.
    {"period-2 bulb", -1.05L, 0.06L, -0.06L, 0.3},
    // Negative height: the top lies below the bottom.
    {"negative height", -0.2L, 0.05L, 0.1L, 0.5},
    // A view of one point: the prover sees a single listed sample.
    {"zero height", -0.1L, 0.1L, 0.1L, 0, 0},
    // At the 80-bit floor, where rounding decides the counts near the set
    // and failed proofs leave whole tiles to the kernels; and bands just
    // outside a filament at the same depth, which are proved.
    {"noisy edge 3e-15", -1.1838712623430478114L, -0.16942373243438045L, -0.16942373243438245L,
     0, 0},
    {"bands near i 1e-16", 3e-16L - 8e-17L, 1.0L + 4e-16L + 5e-17L, 1.0L + 4e-16L - 5e-17L, 0.2},
};

class ProofFrameTest : public testing::TestWithParam<TProofView> {};

TEST_P(ProofFrameTest, SameFrameAsTheLiteralLoop) {
  const TProofView& View = GetParam();
  const TExtPoint TopLeft{View.Left, View.Top};
  const TExtPoint BottomRight{ViewRight(View.Top, View.Left, View.Bottom, Width, Height),
                              View.Bottom};
  const TFrame Literal = RenderFrameLiteral(TopLeft, BottomRight, Width, Height);
  // Default tiles, tiny tiles (odd and even sizes) and large ones; threads
  // claim tiles in a different order each time.
  const struct {
    TProofOptions Split;
    int Threads;
  } Runs[] = {{{}, 1}, {{}, 3}, {{8, 2, true}, 2}, {{5, 2, true}, 3}, {{128, 16, true}, 2}};
  for (const auto& [Split, Threads] : Runs) {
    TRenderOptions Options;
    Options.Threads = Threads;
    Options.Proof = Split;
    Options.CheckProofs = true;
    const TFrame Frame = RenderFrame(TopLeft, BottomRight, Width, Height, Options);
    const std::string How = "tiles " + std::to_string(Split.TileSize) + "/" +
                            std::to_string(Split.MinTileSize) + ", " + std::to_string(Threads) +
                            " threads";
    EXPECT_EQ(Frame.MinCount, Literal.MinCount) << How;
    EXPECT_EQ(Frame.MaxCount, Literal.MaxCount) << How;
    EXPECT_TRUE(Frame.Image == Literal.Image) << How << ": the images differ";
    const TProofOptions Default;
    if (Split.TileSize == Default.TileSize && Split.MinTileSize == Default.MinTileSize &&
        Split.Always == Default.Always) {
      const double Share = Frame.ProvedSamples / ((Width + 1.0) * (Height + 1.0));
      EXPECT_GE(Share, View.MinProvedShare) << How;
      EXPECT_LE(Share, View.MaxProvedShare) << How;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Views, ProofFrameTest, testing::ValuesIn(ProofViews), TParamName());

TProofBox Around(TExtended X, TExtended Y, TExtended Radius) {
  return {X - Radius, X + Radius, Y - Radius, Y + Radius};
}

TEST(ProveBoxTest, NeverClaimsAWrongCount) {
  // Points whose counts are known, among them the edge cases of the strict
  // test: (2, 0) reaches |z|^2 = 4 exactly and escapes only next time, and
  // (-2, 0) stays at exactly 4 for ever. A one-point box may be proved with
  // its own count, never with another.
  const struct {
    TExtended X, Y;
  } Points[] = {{-2.5L, 1.25L}, {2, 0}, {-2, 0}, {0, 0},      {0.25L, 0},
                {0.5L, 0},      {0.26L, 0}, {-0.75L, 0.1L}, {1, 1}, {-0.1L, 0.1L}};
  constexpr std::int32_t Limit = 1000;
  for (const auto& P : Points) {
    const std::int32_t Count = LiteralCount(P.X, P.Y, Limit);
    for (std::int32_t Claim = 0; Claim <= 40; ++Claim) {
      if (Claim == Count)
        continue;
      EXPECT_FALSE(ProveBox({P.X, P.X, P.Y, P.Y}, Limit, Claim).Proved)
          << static_cast<double>(P.X) << ", " << static_cast<double>(P.Y) << " claimed " << Claim;
    }
  }
  // The strict test cannot be decided by a proof with a margin: no claim.
  EXPECT_FALSE(ProveBox({2, 2, 0, 0}, Limit, 2).Proved);
  EXPECT_FALSE(ProveBox({-2, -2, 0, 0}, Limit, 0).Proved);
  // Where the margin is clear, the true counts are proved.
  EXPECT_TRUE(ProveBox({1, 1, 1, 1}, Limit, 2).Proved);
  EXPECT_TRUE(ProveBox({0, 0, 0, 0}, Limit, 0).Proved);
}

TEST(ProveBoxTest, FailuresTellWhetherRoundingDecided) {
  // At the 80-bit floor near the set the rounding of the orbits alone makes
  // the enclosure wider than the box does: a smaller box would fail too.
  const TExtended X = -1.1838712623430453592L, Y = -0.169423732434381950286L;
  const TProofBox Deep{X - 1e-17L, X + 1e-17L, Y - 1e-17L, Y + 1e-17L};
  const TProofResult Floor = ProveBox(Deep, 10000, LiteralCount(Deep.XMin, Deep.YMin, 10000));
  EXPECT_FALSE(Floor.Proved);
  EXPECT_TRUE(Floor.Rounding);
  // A wide box across a change of count fails by its width.
  const TProofResult Wide = ProveBox(Around(0.26L, 0, 1e-4L), 10000, 30);
  EXPECT_FALSE(Wide.Proved);
  EXPECT_FALSE(Wide.Rounding);
}

TEST(ProveBoxTest, StraddlingBoxesFail) {
  // Around (0.26, 0) counts change from sample to sample; around the cusp
  // (0.25, 0) some points escape and some do not.
  EXPECT_FALSE(ProveBox(Around(0.26L, 0, 1e-4L), 10000, 30).Proved);
  EXPECT_FALSE(ProveBox(Around(0.25L, 0, 1e-6L), 10000, 0).Proved);
  // A box from the inside of the cardioid to beyond its edge.
  EXPECT_FALSE(ProveBox({0.2L, 0.3L, -0.01L, 0.01L}, 1000, 0).Proved);
}

TEST(ProveBoxTest, EveryPointOfAProvedBoxHasTheCount) {
  // Boxes of many sizes and shapes at random places near the boundary,
  // where the enclosures are only just narrow enough: whatever count a proof
  // claims, a grid of points across the box, its edges and corners included,
  // must have it by the literal loop. Some proofs must succeed and some fail,
  // or the bounds are not being tested at their edge.
  std::mt19937 Random(20261209);
  const struct {
    TExtended X, Y, Size; // centre, and the largest half-width tried
  } Regions[] = {{-1.25066L, 0.020115L, 2e-6L}, {-0.7436479734L, 0.1318259L, 2e-8L},
                 {-1.7548776662466927L, 0.0L, 2e-4L}, {0.28569L, 0.0149L, 1e-8L}};
  constexpr std::int32_t Limit = 2000;
  int Proved = 0, Failed = 0;
  for (const auto& Region : Regions)
    for (int K = 0; K < 300; ++K) {
      std::uniform_real_distribution<double> Unit(-1, 1);
      const TExtended X = Region.X + Region.Size * 40 * Unit(Random);
      const TExtended Y = Region.Y + Region.Size * 40 * Unit(Random);
      const TExtended Half = Region.Size * std::ldexp(1.0, -static_cast<int>(Random() % 8));
      // Not only squares: the linear terms then differ in size.
      const TExtended HalfY = Half * std::ldexp(1.0, -static_cast<int>(Random() % 3));
      const TProofBox Box{X - Half, X + Half, Y - HalfY, Y + HalfY};
      const std::int32_t Claim = LiteralCount(X - Half, Y - HalfY, Limit);
      if (!ProveBox(Box, Limit, Claim).Proved) {
        ++Failed;
        continue;
      }
      ++Proved;
      for (int I = 0; I <= 8; ++I)
        for (int J = 0; J <= 8; ++J) {
          const TExtended PX = I == 8 ? Box.XMax : Box.XMin + (Box.XMax - Box.XMin) * I / 8;
          const TExtended PY = J == 8 ? Box.YMax : Box.YMin + (Box.YMax - Box.YMin) * J / 8;
          ASSERT_EQ(LiteralCount(PX, PY, Limit), Claim)
              << static_cast<double>(PX) << ", " << static_cast<double>(PY) << " in a box of "
              << static_cast<double>(Half) << " proved with " << Claim;
        }
    }
  EXPECT_GT(Proved, 200);
  EXPECT_GT(Failed, 200);
}

TEST(ProveBoxTest, CardioidProofsCloseEarly) {
  // The attracting fixed point makes enclosures land inside earlier ones:
  // proved for any limit within a few dozen steps.
  const TProofResult Result = ProveBox(Around(-0.1L, 0.1L, 1e-3L), 10000, 0);
  EXPECT_TRUE(Result.Proved);
  EXPECT_LT(Result.Steps, 100);
  // The same inside the period-2 bulb, whose cycle has two points.
  const TProofResult Bulb = ProveBox(Around(-1.0L, 0.0L, 1e-3L), 10000, 0);
  EXPECT_TRUE(Bulb.Proved);
  EXPECT_LT(Bulb.Steps, 200);
}

TEST(ProveBoxTest, KeepsTheCallersRoundingMode) {
  auto Check = [] {
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
    ProveBox(Around(-0.1L, 0.1L, 1e-3L), 10000, 0);
    ProveBox(Around(0.26L, 0, 1e-4L), 10000, 30);
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  };
  Check();
  std::thread Other(Check);
  Other.join();
  // A caller that rounds otherwise gets its own mode back.
  ASSERT_EQ(std::fesetround(FE_TOWARDZERO), 0);
  ProveBox(Around(-0.1L, 0.1L, 1e-3L), 10000, 0);
  EXPECT_EQ(std::fegetround(), FE_TOWARDZERO);
  std::fesetround(FE_TONEAREST);
}

// The literal loop's state after N iterations.
TOrbit After(TExtended X, TExtended Y, std::int32_t N) {
  TOrbit Orbit;
  for (std::int32_t K = 0; K < N; ++K)
    Orbit.Step(X, Y);
  return Orbit;
}

TEST(ProveOrbitTest, AttractedOrbitsAreProvedEscapingOnesNever) {
  // Attracted to a fixed point, to a 2-cycle, to a 3-cycle (a minibrot).
  for (const auto& [X, Y] : {std::pair{-0.1L, 0.1L}, {-1.05L, 0.01L}, {-1.7549L, 0.003L}}) {
    const TOrbit Orbit = After(X, Y, 100);
    EXPECT_TRUE(ProveOrbitStaysInside(X, Y, Orbit.ZR, Orbit.ZI, 200)) << static_cast<double>(X);
  }
  // Orbits that escape, some very late; and (-2, 0), which sits at |z| = 2
  // for ever, beyond what a margin can decide.
  const struct {
    TExtended X, Y;
  } Outside[] = {{0.26L, 0}, {0.2501L, 0}, {-0.75L, 0.001L}, {-0.7436453L, 0.1318268L}, {-2, 0}};
  for (const auto& P : Outside) {
    for (const std::int32_t N : {1, 20, 300}) {
      const TOrbit Orbit = After(P.X, P.Y, N);
      if (Orbit.Escaped())
        continue;
      EXPECT_FALSE(ProveOrbitStaysInside(P.X, P.Y, Orbit.ZR, Orbit.ZI, 100000))
          << static_cast<double>(P.X) << ", " << static_cast<double>(P.Y) << " from " << N;
    }
  }
}

TEST(ProveBoxTest, RefusesNonsense) {
  EXPECT_FALSE(ProveBox(Around(0, 0, 0.1L), 0, 0).Proved);
  EXPECT_FALSE(ProveBox(Around(0, 0, 0.1L), 100, -1).Proved);
  EXPECT_FALSE(ProveBox(Around(1, 1, 0.01L), 100, 101).Proved);
  // Beyond the range of the doubles the bounds are kept in, nothing is
  // claimed, not even the escape at once that is true there.
  const TExtended Far = 1e400L;
  EXPECT_FALSE(ProveBox({Far, Far, 0, 0}, 100, 1).Proved);
  EXPECT_FALSE(ProveBox({-Far, Far, -Far, Far}, 100, 0).Proved);
  const TExtended NaN = std::numeric_limits<TExtended>::quiet_NaN();
  EXPECT_FALSE(ProveBox({NaN, NaN, 0, 0}, 100, 0).Proved);
  EXPECT_FALSE(ProveOrbitStaysInside(NaN, 0, 0, 0, 100));
}

} // namespace
