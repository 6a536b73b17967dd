// The enclosures behind the tile and orbit proofs, checked directly against
// the literal loop: at every step, the literal orbit of points across a box
// lies in the disk that the enclosure gives for it. Deep boxes at the 80-bit
// floor, where the rounding terms make up most of the radius, catch a bound
// that leaves a term out long before a count would change.

#include "ExtendedMath.h"
#include "Orbit.h"
#include "EnclosureTrace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Points near the boundary, found by bisecting between a point in the set
// and one outside (limit 10000) along a random direction.
const struct {
  TExtended X, Y;
} Boundary[] = {{-0.524661358377712143928L, 0.609197910198183080433L},
                {-1.1838712623430453592L, -0.169423732434381950286L},
                {-0.64465304127987266492L, 0.359328088449618439809L},
                {-0.220979520952220094318L, 0.800521307255206271696L},
                {-1.36717967270648484905L, -0.0136999514672344999849L},
                {-0.722809582135587110714L, 0.1884423859516688382L},
                {0.18419508730166264806L, 0.556397728491609244955L},
                {-1.24414186409183300875L, 0.0706451308002810835266L}};

// How far the literal orbit point z lies outside the disk of State (at most
// 0 when inside), with a small allowance for the rounding of this check.
// The differences z - Z are exact or nearly so: both are close.
TExtended Excess(const TEnclosureTrace& Trace, const TEnclosureState& State, TExtended X,
                   TExtended Y, const TOrbit& Orbit) {
  const TExtended A = Trace.RX > 0 ? (X - Trace.CX) / Trace.RX : 0;
  const TExtended B = Trace.RY > 0 ? (Y - Trace.CY) / Trace.RY : 0;
  const TExtended LinR = State.AR * A + State.BR * B, LinI = State.AI * A + State.BI * B;
  const TExtended DR = Orbit.ZR - State.ZR, DI = Orbit.ZI - State.ZI;
  const TExtended Distance = hypot(DR - LinR, DI - LinI);
  const TExtended Allowance =
      0x1p-60L * (fabs(DR) + fabs(DI) + fabs(LinR) + fabs(LinI)) + 0x1p-16000L;
  return Distance - State.R - Allowance;
}

// Follows the literal orbit of (X, Y) from z_First through the trace;
// returns the first step where it leaves its disk, or an empty string.
std::string Follow(const TEnclosureTrace& Trace, TExtended X, TExtended Y, TOrbit Orbit) {
  for (std::size_t K = 0; K < Trace.States.size(); ++K) {
    const TExtended Out = Excess(Trace, Trace.States[K], X, Y, Orbit);
    if (Out > 0) {
      std::ostringstream Why;
      Why.precision(21);
      Why << "(" << X << ", " << Y << ") leaves its disk at iteration " << Trace.First + K
          << " by " << static_cast<double>(Out) << " beyond radius " << Trace.States[K].R;
      return Why.str();
    }
    Orbit.Step(X, Y);
  }
  return {};
}

// Corners, edge midpoints, the middle and random points of the box.
std::vector<TExtPoint> PointsOf(const TProofBox& Box, std::mt19937_64& Random) {
  std::vector<TExtPoint> Points;
  const TExtended Xs[] = {Box.XMin, Box.XMin + (Box.XMax - Box.XMin) / 2, Box.XMax};
  const TExtended Ys[] = {Box.YMin, Box.YMin + (Box.YMax - Box.YMin) / 2, Box.YMax};
  for (const TExtended X : Xs)
    for (const TExtended Y : Ys)
      Points.push_back({X, Y});
  std::uniform_real_distribution<double> Unit(0, 1);
  for (int K = 0; K < 8; ++K)
    Points.push_back({Box.XMin + (Box.XMax - Box.XMin) * static_cast<TExtended>(Unit(Random)),
                      Box.YMin + (Box.YMax - Box.YMin) * static_cast<TExtended>(Unit(Random))});
  return Points;
}

constexpr std::int32_t TraceSteps = 3000;

// The extended centre in software steps as the x87 unit does, rounding up,
// and bounds the distances between its steps alike.
void ExpectSameTrace(const TProofBox& Box, const TEnclosureTrace& Want, const TEnclosureTrace& Got) {
  const auto Same = [](TExtended A, TExtended B) { return ExtendedBits(A) == ExtendedBits(B); };
  ASSERT_TRUE(Same(Want.CX, Got.CX) && Same(Want.CY, Got.CY) && Want.RX == Got.RX &&
              Want.RY == Got.RY);
  ASSERT_EQ(Want.States.size(), Got.States.size());
  for (std::size_t K = 0; K < Want.States.size(); ++K) {
    const TEnclosureState &W = Want.States[K], &G = Got.States[K];
    ASSERT_TRUE(Same(W.ZR, G.ZR) && Same(W.ZI, G.ZI) && W.AR == G.AR && W.AI == G.AI &&
                W.BR == G.BR && W.BI == G.BI && W.R == G.R)
        << "iteration " << Want.First + static_cast<std::int32_t>(K);
    const TEnclosureState& Earlier = Want.States[K / 2];
    ASSERT_EQ(EnclosureReach(Box, false, W, Earlier), EnclosureReach(Box, true, W, Earlier)) << K;
  }
}

TEST(EnclosureTest, DeepBoxesHoldEveryLiteralOrbit) {
  // Boxes 1e-15 to 1e-18 wide and single points, near the boundary, with
  // the long double centre that such boxes take; the double centre on
  // wider boxes.
  std::mt19937_64 Random(21);
  std::size_t Steps = 0;
  for (const auto& P : Boundary)
    for (const auto& [Half, DoubleCentre] : {std::pair{1e-15L, false}, {1e-16L, false},
                                            {1e-17L, false}, {1e-18L, false}, {0.0L, false},
                                            {1e-9L, true}, {1e-11L, true}}) {
      const TProofBox Box{P.X - Half, P.X + Half, P.Y - Half / 2, P.Y + Half / 2};
      const TEnclosureTrace Trace = TraceBox(Box, TraceSteps, DoubleCentre);
      Steps += Trace.States.size();
      if (!DoubleCentre)
        ExpectSameTrace(Box, Trace, TraceBoxInSoftware(Box, TraceSteps));
      for (const TExtPoint& C : PointsOf(Box, Random)) {
        TOrbit First; // z_1 = c
        First.Step(C.X, C.Y);
        const std::string Failure = Follow(Trace, C.X, C.Y, First);
        ASSERT_TRUE(Failure.empty()) << "box of half-width " << static_cast<double>(Half)
                                     << (DoubleCentre ? ", double centre: " : ": ") << Failure;
      }
    }
  // The enclosures must have gone some way, or nothing was checked.
  EXPECT_GT(Steps, 20000u);
}

TEST(EnclosureTest, SingleOrbitsStayInTheirDisks) {
  // The single-orbit proof's enclosure, in doubles around a point that is
  // not a double, started from the literal z at several iterations.
  std::size_t Steps = 0;
  for (const auto& P : Boundary)
    for (const std::int32_t First : {1, 24, 512}) {
      TOrbit Orbit;
      bool Escaped = false;
      for (std::int32_t N = 0; N < First && !Escaped; ++N)
        Escaped = Orbit.Step(P.X, P.Y);
      if (Escaped)
        continue;
      const TEnclosureTrace Trace = TraceOrbit(P.X, P.Y, Orbit.ZR, Orbit.ZI, First, TraceSteps);
      Steps += Trace.States.size();
      const std::string Failure = Follow(Trace, P.X, P.Y, Orbit);
      ASSERT_TRUE(Failure.empty()) << Failure;
    }
  EXPECT_GT(Steps, 2000u);
}

// A box of half-width Half around (X, Y), and the offsets (a, b) of its
// corners, edge midpoints and middle, whose points are exact.
struct TRimCase {
  TProofBox Box;
  bool DoubleCentre;
  TEnclosureState State;
};

// Checks one step of the enclosure where it is tightest: at points of the
// disk, not only at orbit points, since the step holds for every z of it.
// Points at the rim, in the direction that takes them farthest out, must
// get the verdict's escape test from the literal loop, and where nothing
// escapes, their next iterate must lie in the next disk. Returns how many
// points were checked.
int CheckRim(const TRimCase& Case) {
  TEnclosureState Next = Case.State;
  const TEscapeVerdict Verdict = StepEnclosure(Case.Box, Case.DoubleCentre, Next);
  const TEnclosureTrace Frame = TraceBox(Case.Box, 1, Case.DoubleCentre); // its C, RX, RY
  const TEnclosureState& S = Case.State;
  int Checked = 0;
  for (const TExtended A : {-1.0L, 0.0L, 1.0L})
    for (const TExtended B : {-1.0L, 0.0L, 1.0L}) {
      const TExtended X = Frame.CX + Frame.RX * A, Y = Frame.CY + Frame.RY * B;
      // The linear part's point, and directions: outward from the origin
      // through it, and a few fixed ones.
      const TExtended PR = S.ZR + (S.AR * A + S.BR * B), PI = S.ZI + (S.AI * A + S.BI * B);
      std::vector<std::pair<TExtended, TExtended>> Directions{{PR, PI}, {-PR, -PI}};
      for (int K = 0; K < 8; ++K)
        Directions.push_back({cos(K * 0.785398163397448309616L), sin(K * 0.785398163397448309616L)});
      // Just inside the rim: the rounding of z is below 2^-62.
      const TExtended Rim = S.R > 0x1p-58 ? S.R - 0x1p-61L : 0;
      for (const auto& [DX, DY] : Directions) {
        const TExtended Length = hypot(DX, DY);
        if (!(Length > 0))
          continue;
        TOrbit Z(PR + Rim * DX / Length, PI + Rim * DY / Length);
        TEnclosureTrace Here = Frame;
        if (Excess(Here, S, X, Y, Z) > 0)
          continue; // rounded out of the disk: no claim about it
        ++Checked;
        if (Verdict == TEscapeVerdict::Outside) {
          EXPECT_TRUE(Z.Escaped()) << "claimed to escape: |z|^2 = " << static_cast<double>(Z.ZR2 + Z.ZI2);
          continue;
        }
        if (Verdict != TEscapeVerdict::Inside)
          continue;
        if (Z.Escaped()) {
          ADD_FAILURE() << "claimed inside: |z|^2 - 4 = " << static_cast<double>(Z.ZR2 + Z.ZI2 - 4);
          continue;
        }
        Z.Step(X, Y);
        const TExtended Out = Excess(Here, Next, X, Y, Z);
        EXPECT_LE(Out, 0) << "the next iterate of a point of the disk leaves the next disk, by "
                          << static_cast<double>(Out) << " beyond " << Next.R;
      }
    }
  return Checked;
}

TEST(EnclosureTest, OneStepHoldsAtTheRim) {
  // Boxes at a centre where their corners are exact.
  const TProofBox Small{-0x1p-100L, 0x1p-100L, -0x1p-100L, 0x1p-100L};
  const TProofBox Wide{-0.75L - 0x1p-20L, -0.75L + 0x1p-20L, 0.25L - 0x1p-21L, 0.25L + 0x1p-21L};
  std::vector<TRimCase> Cases;
  // Centre, linear terms and rounding all in line: 2 Z A and A^2 add up, and
  // the rounding of the linear terms points outward, so the radius must
  // hold the error of computing them.
  for (const bool DoubleCentre : {false, true})
    for (const double A : {0.1, 0.0625, 0.3})
      Cases.push_back({Small, DoubleCentre, {-1.5L, 0, A, 0, 0, 0, 0}});
  // Enclosures whose reach is within a few units of 2^-50 of the circle, on
  // either side: the escape test's margins decide them. In half of them the
  // linear terms are in line with the centre, so that a point of the disk
  // reaches as far as the bound says.
  std::mt19937_64 Random(50);
  std::uniform_real_distribution<double> Unit(0, 1);
  for (int K = 0; K < 1200; ++K) {
    const bool InLine = K % 4 < 2, Outward = K % 2 == 1;
    const double Angle = 6.283185307179586 * Unit(Random);
    const double Turn = InLine ? Angle : 6.283185307179586 * Unit(Random);
    const double Size = std::pow(10.0, -12 + 10 * Unit(Random));
    const double Radius = K % 3 == 0 ? 0 : std::pow(10.0, -14 + 12 * Unit(Random));
    const double AR = Size * cos(Turn), AI = Size * sin(Turn);
    // B none, at right angles to A as the enclosure keeps it, or anywhere.
    const int Kind = K / 4 % 3;
    const double BR = InLine || Kind == 0 ? 0 : Kind == 1 ? -AI / 2 : Size * Unit(Random);
    const double BI = InLine || Kind == 0 ? 0 : Kind == 1 ? AR / 2 : 0;
    const double Reach = std::max(hypot(AR + BR, AI + BI), hypot(AR - BR, AI - BI));
    // Steps of 2^-55 span the inner margin, of 2^-53 the outer one.
    const TExtended Offset =
        static_cast<TExtended>(K / 4 % 33 - 16) * (Outward ? 0x1p-53L : 0x1p-55L);
    const TExtended Modulus = Outward ? 2 + Reach + Radius + Offset : 2 - Reach - Radius + Offset;
    Cases.push_back({K % 5 == 0 ? Wide : Small, K % 5 == 0,
                     {Modulus * cos(static_cast<TExtended>(Angle)),
                      Modulus * sin(static_cast<TExtended>(Angle)), AR, AI, BR, BI, Radius}});
  }
  int Checked = 0;
  for (const TRimCase& Case : Cases)
    Checked += CheckRim(Case);
  EXPECT_GT(Checked, 2000);
}

TEST(EnclosureTest, ClosureClaimsHold) {
  // An enclosure near an attracting cycle, widened, run on and found back
  // inside itself proves that no point of the box ever escapes. Check each
  // such claim by the enclosures themselves: every step tested inside, and
  // the last enclosure within the widened first one at every corner (the
  // distance is affine in a and b, so the corners bound it). Starts whose
  // centre has settled while the linear terms have not, and whose radius or
  // width is only just enough, make a claim that leaves a part out false.
  const TProofBox Box{-0.2L - 0x1p-12L, -0.2L + 0x1p-12L, 0.3L - 0x1p-12L, 0.3L + 0x1p-12L};
  const TEnclosureTrace Settled = TraceBox(Box, 200, true);
  ASSERT_EQ(Settled.States.size(), 200u);
  const TEnclosureState& Fixed = Settled.States.back(); // near the fixed point
  std::mt19937_64 Random(7);
  std::uniform_real_distribution<double> Unit(-1, 1);
  int Claims = 0, Refusals = 0;
  for (int K = 0; K < 3000; ++K) {
    TEnclosureState Start = Fixed;
    const double Spread = std::pow(10.0, -9 + 7 * fabs(Unit(Random)));
    Start.AR += Spread * Unit(Random);
    Start.AI += Spread * Unit(Random);
    Start.BR += Spread * Unit(Random);
    Start.BI += Spread * Unit(Random);
    Start.ZR += Spread * Unit(Random) * (K % 2);
    Start.ZI += Spread * Unit(Random) * (K % 2);
    const double Width = Spread * std::pow(10.0, 2 * Unit(Random));
    const std::int32_t Steps = 1 + K % 4;
    if (!EnclosureCloses(Box, true, Start, Width, Steps)) {
      ++Refusals;
      continue;
    }
    ++Claims;
    TEnclosureState End = Start;
    End.R = std::max(Width, Start.R);
    for (std::int32_t N = 0; N < Steps; ++N)
      ASSERT_EQ(StepEnclosure(Box, true, End), TEscapeVerdict::Inside) << "claimed with a step untested";
    for (const double A : {-1.0, 1.0})
      for (const double B : {-1.0, 1.0}) {
        const TExtended DR = (End.ZR - Start.ZR) + ((End.AR - Start.AR) * A + (End.BR - Start.BR) * B);
        const TExtended DI = (End.ZI - Start.ZI) + ((End.AI - Start.AI) * A + (End.BI - Start.BI) * B);
        EXPECT_LE(hypot(DR, DI) + End.R, std::max(Width, Start.R) * (1 + 0x1p-40))
            << "claimed to close, but the corner (" << A << ", " << B << ") ends outside";
      }
  }
  EXPECT_GT(Claims, 100);
  EXPECT_GT(Refusals, 100);
}

} // namespace
