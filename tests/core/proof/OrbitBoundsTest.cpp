// Orbits in doubles with a bound: every count they settle against the literal
// loop, in regions where they settle most samples and where they give most up.

#include "ExtendedMath.h"
#include "BoundedKernel.h"
#include "IsInSet.h"
#include "Kernel.h"
#include "Orbit.h"
#include "OrbitBounds.h"
#include "ProofRation.h"
#include "BoxProof.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <vector>

namespace {

// Stands in for the exact kernel behind the lanes: marks what they hand on,
// and the rounding it gets them under, also after each sample it takes (the
// lanes run inside).
constexpr std::int32_t Handed = -7;
bool HandedToNearest = true;
void MarkHanded(TSampleFeed& Feed, std::int32_t Limit) {
  TStepRation Ration;
  TUndecidedFeed Undecided(Feed, Limit, Ration);
  HandedToNearest = HandedToNearest && std::fegetround() == FE_TONEAREST;
  TSample Sample;
  while (Undecided.Next(Sample)) {
    HandedToNearest = HandedToNearest && std::fegetround() == FE_TONEAREST;
    *Sample.Count = Handed;
  }
}

// The lanes with an exact kernel behind them, or with MarkHanded.
void Iterate(TSampleFeed& Feed, std::int32_t Limit, std::optional<TExactKernel> Exact) {
  if (Exact)
    IterateSamplesBounded(Feed, Limit, *Exact);
  else
    MarkHanded(Feed, Limit);
}

struct TTally {
  int InSet = 0, Escaped = 0, Handed = 0;
};

// Runs the points through the bounded kernel with Exact and checks every
// count that is not handed on.
TTally Check(const std::vector<TExtPoint>& Points, std::int32_t Limit,
             std::optional<TExactKernel> Exact = std::nullopt) {
  std::vector<std::int32_t> Counts(Points.size(), -1);
  std::vector<TSample> Samples;
  for (std::size_t K = 0; K < Points.size(); ++K)
    Samples.push_back({Points[K].X, Points[K].Y, &Counts[K]});
  TListFeed Feed(Samples);
  Iterate(Feed, Limit, Exact);
  TTally Tally;
  for (std::size_t K = 0; K < Points.size(); ++K) {
    if (Counts[K] == ::Handed) {
      ++Tally.Handed;
      continue;
    }
    ++(Counts[K] == 0 ? Tally.InSet : Tally.Escaped);
    EXPECT_EQ(Counts[K], LiteralCount(Points[K].X, Points[K].Y, Limit))
        << "at (" << static_cast<double>(Points[K].X) << ", " << static_cast<double>(Points[K].Y)
        << ") limit " << Limit;
  }
  return Tally;
}

TEST(OrbitBoundsTest, SettledCountsAreTheLiteralLoops) {
  // Points near the boundary, with extended coordinates that are not
  // doubles (so c itself is rounded), in regions of slow escapes, rims of
  // slowly attracting components, bands and cusps.
  const struct {
    TExtended X, Y, Half;
    std::int32_t Limit;
  } Regions[] = {{-0.7436438870371587L, 0.1318259042053120L, 2e-6L, 5000},
                 {0.28569L, 0.0149L, 5e-8L, 6000},
                 {-1.7548776662466927L, 0.0L, 2e-3L, 1000},
                 {-1.25066L, 0.020115L, 5e-6L, 4000},
                 {0.25L, 0.0L, 1e-3L, 3000},
                 {-0.75L, 0.0L, 1e-2L, 2000},
                 {-0.5L, 0.0L, 2.0L, 50}};
  std::mt19937_64 Random(9);
  std::uniform_real_distribution<double> Offset(-1, 1);
  TTally Total;
  for (const auto& Region : Regions) {
    std::vector<TExtPoint> Points;
    for (int K = 0; K < 600; ++K)
      Points.push_back({Region.X + Region.Half * static_cast<TExtended>(Offset(Random)) / 3,
                        Region.Y + Region.Half * static_cast<TExtended>(Offset(Random)) / 3});
    const TTally Tally = Check(Points, Region.Limit);
    Total.InSet += Tally.InSet;
    Total.Escaped += Tally.Escaped;
    Total.Handed += Tally.Handed;
  }
  // All three outcomes occur, so each branch has been checked.
  EXPECT_GT(Total.InSet, 1500);
  EXPECT_GT(Total.Escaped, 600);
  EXPECT_GT(Total.Handed, 300);
  EXPECT_TRUE(HandedToNearest) << "the exact kernel must run with the caller's rounding";
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
}

TEST(OrbitBoundsTest, LateEscapesAreNeverSettledEarly) {
  // Orbits that escape late, where the double orbit has drifted far from the
  // literal one by the escape: each alone, so that every one is tried, and
  // most are handed on. None may be settled a step early or late.
  std::mt19937_64 Random(3);
  std::uniform_real_distribution<double> Offset(-1, 1);
  int Late = 0, Settled = 0;
  for (int K = 0; Late < 400; ++K) {
    ASSERT_LT(K, 100000);
    const TExtended X = 0.28569L + 2e-8L * static_cast<TExtended>(Offset(Random));
    const TExtended Y = 0.0149L + 2e-8L * static_cast<TExtended>(Offset(Random));
    if (LiteralCount(X, Y, 6000) < 1000)
      continue;
    ++Late;
    Settled += Check({{X, Y}}, 6000).Escaped;
  }
  EXPECT_GT(Settled, 0);
}

TEST(OrbitBoundsTest, HardPointsGoToTheExactKernel) {
  const TExtended Inf = std::numeric_limits<TExtended>::infinity();
  const TExtended NaN = std::numeric_limits<TExtended>::quiet_NaN();
  const struct {
    TExtended X, Y;
    std::int32_t Limit, Count; // -1: either settled right or handed on
  } Cases[] = {
      {-2, 0, 1000, Handed}, // |z| = 2 for ever: no margin decides it
      {2, 0, 1000, Handed},  // z_1 = 2 exactly on the circle
      {5, 0, 1000, Handed},  // outside the range of the bounds
      {0, -4.5L, 1000, Handed},
      {Inf, 0, 1000, Handed},
      {NaN, 0, 1000, Handed},
      {1e-4000L, -1e-4000L, 1000, 0}, // rounds to 0 as a double
      {0.3L, 0.5L, 1, 0},             // limit 1: z_1 surely inside
      {3.0L, 0, 1, 1},
      {1.5L, 1.5L, 1, 1},
      {-0.1L, 0.1L, 3000, 0},
      {0.26L, 0, 1000, -1},
  };
  for (const auto& Case : Cases) {
    std::int32_t Count = -1;
    const std::vector<TSample> Sample{{Case.X, Case.Y, &Count}};
    TListFeed Feed(Sample);
    MarkHanded(Feed, Case.Limit);
    if (Case.Count != -1) {
      EXPECT_EQ(Count, Case.Count) << static_cast<double>(Case.X) << ", " << static_cast<double>(Case.Y);
    }
    // With the real kernel behind it, every count is the literal loop's.
    TListFeed Again(Sample);
    IterateSamplesBounded(Again, Case.Limit);
    EXPECT_EQ(Count, LiteralCount(Case.X, Case.Y, Case.Limit)) << static_cast<double>(Case.X);
  }
  // Under a limit below 1 every sample is handed on.
  std::int32_t Count = -1;
  const std::vector<TSample> Sample{{0.1L, 0.1L, &Count}};
  TListFeed Feed(Sample);
  MarkHanded(Feed, 0);
  EXPECT_EQ(Count, Handed);
}

TEST(OrbitBoundsTest, SameCountsWithEitherExactKernel) {
  // Many samples, so that lanes fill and drain unevenly and batches of
  // undecided ones reach the exact kernel while others are still in flight.
  std::vector<TExtPoint> Points;
  for (int I = 0; I < 40; ++I)
    for (int J = 0; J < 25; ++J)
      Points.push_back({-0.7436479734L + I * 2e-8L, 0.1318284042L - J * 2e-8L});
  for (const TExactKernel Exact : {TExactKernel::Default, TExactKernel::Portable}) {
    const TTally Tally = Check(Points, 5000, Exact);
    EXPECT_EQ(Tally.Handed, 0);
  }
}

// How far the literal z lies outside the lane's disk, squared (at most 0
// inside), with an allowance for the rounding of this check; z - w is exact
// or nearly so where they are close.
TExtended ExcessSquared(const TBoundedLane& Lane, const TOrbit& Z) {
  const TExtended DR = Z.ZR - Lane.ZR, DI = Z.ZI - Lane.ZI;
  const TExtended Distance2 = DR * DR + DI * DI;
  return Distance2 * (1 - 0x1p-58L) - Lane.S * (1 + 0x1p-52L) - 0x1p-16000L;
}

TEST(OrbitBoundsTest, LanesHoldTheLiteralOrbit) {
  // The lane of a point that is not a double, step by step beside the
  // literal orbit, near the boundary and at the 80-bit floor.
  const struct {
    TExtended X, Y;
  } Points[] = {{-0.524661358377712143928L, 0.609197910198183080433L},
                {-1.1838712623430453592L, -0.169423732434381950286L},
                {-0.722809582135587110714L, 0.1884423859516688382L},
                {0.18419508730166264806L, 0.556397728491609244955L},
                {-0.1L + 1e-19L, 0.1L - 3e-19L},
                {0.28569L, 0.0149L}};
  int Steps = 0;
  for (const auto& P : Points) {
    TBoundedLane Lane = StartBoundedLane(P.X, P.Y);
    TOrbit Z;
    Z.Step(P.X, P.Y);
    for (int N = 1; N <= 5000; ++N, ++Steps) {
      ASSERT_LE(ExcessSquared(Lane, Z), 0)
          << static_cast<double>(P.X) << ", " << static_cast<double>(P.Y) << " at " << N;
      bool Cheap = false;
      if (TestBoundedLane(Lane, Cheap) != TEscapeVerdict::Inside)
        break;
      Lane = StepBoundedLane(Lane);
      Z.Step(P.X, P.Y);
    }
  }
  EXPECT_GT(Steps, 5000);
}

TEST(OrbitBoundsTest, OneStepHoldsAtTheRim) {
  // The step holds for every z of the disk, not only for the literal orbit.
  // At points of the rim in the directions that take them farthest (in line
  // with w, or turning the step in line with c - C), the escape test must
  // be as the lane says, and the next iterate in the next disk. Lanes of
  // every size, some at the edge of the cheap test.
  std::mt19937_64 Random(22);
  std::uniform_real_distribution<double> Unit(0, 1);
  int Checked = 0;
  for (int K = 0; K < 3000; ++K) {
    // A point c half a unit of a double's last place off a double C.
    const double CX = -2 + 2.5 * Unit(Random), CY = -1 + 2 * Unit(Random);
    const TExtended X = CX + 0.45L * (nextafter(CX, 4.0) - CX) * (K % 2 ? 1 : -1);
    const TExtended Y = CY + 0.45L * (nextafter(CY, 4.0) - CY) * (K % 4 < 2 ? 1 : -1);
    TBoundedLane Lane = StartBoundedLane(X, Y);
    const double R = std::pow(10.0, -15 + 14.5 * Unit(Random));
    const double Angle = 6.283185307179586 * Unit(Random);
    // |w| anywhere inside, or with |w| + r within a little of 2.
    const double Edge = (K % 3 ? 1 : -1) * std::pow(10.0, -16 + 14 * Unit(Random));
    const double Modulus = K % 2 ? (2 - R) * Unit(Random) : 2 - R + Edge;
    if (!(Modulus > 0))
      continue;
    Lane.ZR = Modulus * cos(Angle);
    Lane.ZI = Modulus * sin(Angle);
    Lane.S = R * R;
    bool Cheap = false;
    const TEscapeVerdict Verdict = TestBoundedLane(Lane, Cheap);
    const TBoundedLane Next = StepBoundedLane(Lane);
    // Directions: outward and inward in line with w; where 2 w (z - w) is
    // in line with c - C; and a few fixed ones.
    const TExtended WR = Lane.ZR, WI = Lane.ZI, W = hypot(WR, WI);
    const TExtended ER = X - Lane.CX, EI = Y - Lane.CY;
    // (E / w) / |E / w|, then halved in angle: u^2 points along E / w.
    const TExtended QR = (ER * WR + EI * WI), QI = (EI * WR - ER * WI);
    const TExtended QA = atan2(QI, QR);
    std::vector<std::pair<TExtended, TExtended>> Directions{
        {WR / W, WI / W}, {-WR / W, -WI / W}, {cos(QA), sin(QA)}};
    for (int D = 0; D < 6; ++D)
      Directions.push_back({cos(D * 1.0471975511965977462L), sin(D * 1.0471975511965977462L)});
    for (const auto& [UR, UI] : Directions) {
      const TExtended Rim = R * (1 - 0x1p-40L);
      TOrbit Z(Lane.ZR + Rim * UR, Lane.ZI + Rim * UI);
      if (ExcessSquared(Lane, Z) > 0 || !std::isfinite(static_cast<double>(Z.ZR)))
        continue; // rounded out of the disk: no claim about it
      ++Checked;
      if (Verdict == TEscapeVerdict::Outside) {
        EXPECT_TRUE(Z.Escaped()) << "claimed to escape at |w| " << static_cast<double>(W);
        continue;
      }
      if (Verdict != TEscapeVerdict::Inside && !Cheap)
        continue;
      ASSERT_FALSE(Z.Escaped()) << (Cheap ? "the cheap test" : "the test") << " passed at |w| "
                                << static_cast<double>(W) << ", r " << R;
      Z.Step(X, Y);
      ASSERT_LE(ExcessSquared(Next, Z), 0) << "the next iterate leaves the next disk: |w| "
                                           << static_cast<double>(W) << ", r " << R;
    }
  }
  EXPECT_GT(Checked, 10000);
}

TEST(ProveOrbitTest, AStartingRadiusIsCarried) {
  // An attracted orbit is proved from a disk around its point, not from one
  // too wide to contract, nor from a negative or undefined radius.
  const TExtended X = -0.1L, Y = 0.1L;
  TOrbit Orbit;
  for (int K = 0; K < 100; ++K)
    Orbit.Step(X, Y);
  EXPECT_TRUE(ProveOrbitStaysInside(X, Y, Orbit.ZR, Orbit.ZI, 200, 1e-12));
  EXPECT_FALSE(ProveOrbitStaysInside(X, Y, Orbit.ZR, Orbit.ZI, 200, 0.5));
  EXPECT_FALSE(ProveOrbitStaysInside(X, Y, Orbit.ZR, Orbit.ZI, 200, -1e-12));
  EXPECT_FALSE(ProveOrbitStaysInside(X, Y, Orbit.ZR, Orbit.ZI, 200,
                                     std::numeric_limits<double>::quiet_NaN()));
  // The rationed try, which the double lanes make with their distance from
  // the literal orbit, carries it too.
  TProofRation Ration;
  EXPECT_TRUE(TryOrbitProof(Ration, X, Y, Orbit.ZR, Orbit.ZI, 1e-12));
  EXPECT_FALSE(TryOrbitProof(Ration, X, Y, Orbit.ZR, Orbit.ZI, 0.5));
}

} // namespace
