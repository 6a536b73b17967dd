#pragma once

// The enclosure of all the orbits of a box of points at once, which the
// tile and orbit proofs run step by step; FastPaths.md derives every bound
// used here. Internal to the proofs: only files built with -frounding-math
// may include it, and they must round upward while they use it.

#include "Extended.h"
#include "ProofBounds.h"
#include "BoxProof.h"
#include "UpwardSoftReal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace ProofEnclosure {

// The centre where a double one is too coarse: an extended real, rounding
// upward. In software that is a type of its own, which rounds upward only.
#ifdef GORVANEL_SOFT_REAL
using TExtendedCentre = TUpwardSoftReal;
#else
using TExtendedCentre = TExtended;
#endif

// The literal loop rounds to nearest (relative error 2^-64); a long double
// centre orbit here rounds upward (below 2^-63), a double one below 2^-52.
// Step error of both orbits together, per unit of (4 + |cx| + |cy|); see
// FastPaths.md.
inline constexpr double OrbitError = 12 * 0x1p-63;
inline constexpr double DoubleOrbitError = 12 * 0x1p-52 + OrbitError;
// A double centre is about three times as fast; it is used where its error
// stays below this share of the box's half-width, so that it does not
// noticeably widen the enclosure.
inline constexpr double DoubleCentreShare = 0x1p-10;
// Error of the linear coefficients in doubles, relative to |Z| |A| + r.
inline constexpr double LinearError = 0x1p-48;

// An upper bound of |V| as a double (the conversion rounds up).
inline TBound AbsUp(TExtended V) { return static_cast<TBound>(Abs(V)); }
inline TBound AbsUp(TBound V) {
  using std::fabs;
  return fabs(V);
}
// A lower bound of |V| as a double.
inline TBound AbsDown(TExtended V) { return -static_cast<TBound>(-Abs(V)); }
inline TBound AbsDown(TBound V) { return AbsUp(V); }
#ifdef GORVANEL_UPWARD_IN_SOFTWARE
// A double centre and the linear terms, where the bounds are not doubles:
// magnitudes exactly, and differences bounded as the bounds' are.
inline TBound AbsUp(double V) { return std::fabs(V); }
inline TBound AbsDown(double V) { return std::fabs(V); }
inline TBound DiffUp(double A, double B) { return DiffUp(TBound(A), TBound(B)); }
#endif
inline TBound HypotUp(TBound A, TBound B) { return SqrtUp(A * A + B * B); }
// 2 A B, as (A * B) * 2; the software centre has a shorter way.
template <class T> T TwiceProduct(T A, T B) { return (A * B) * 2; }

// The orbits of all points c = C0 + (RX a, RY b), a and b in [-1, 1], at one
// iteration: each lies in the disk of radius R around Z + A a + B b. The
// centre Z is a TCentre: long double or double. Z and the linear terms A
// and B are approximations whose error, not its direction, FastPaths.md
// bounds: a double centre and the linear terms are the processor's doubles,
// rounded upward where it can round so, to nearest where it cannot (which
// is faster there than rounding upward in software). Only the radius and
// the bounds derived from it must round upward: they are TBound.
template <class TCentre> struct TEnclosure {
  static_assert(std::is_same_v<TCentre, double> || std::is_same_v<TCentre, TExtended> ||
                    std::is_same_v<TCentre, TUpwardSoftReal>,
                "the centre's step error is known for these types alone");
  TCentre ZR = 0, ZI = 0;
  double AR = 0, AI = 0, BR = 0, BI = 0;
  TBound R = 0;
};

// A centre coordinate as a double: rounded up, or to nearest where only
// the bounds round upward; off by one place at most either way.
template <class T> double CentreDouble(T V) { return static_cast<double>(static_cast<TBound>(V)); }

// Step error of an orbit with the given error per unit, for points within
// RX and RY of a centre of these magnitudes. Its constant term also covers
// every underflow of the step, the linear terms' included (FastPaths.md).
inline TBound OrbitStepError(TBound Error, TBound AbsCX, TBound AbsCY, TBound RX, TBound RY) {
  return Error * (4 + (AbsCX + RX + AbsCY + RY));
}

// Steps the enclosure of the orbits of a box of points (Linear: with terms
// linear in the point) or of a single orbit, and tests it against the
// escape test; the box and the orbit proofs run it. Linear false: one
// point, and no linear terms. Its c need not be a double: then RX and RY
// are the rounding of c to the centre CX, CY, which is not in any linear
// term but in StepError, whose margin covers it (FastPaths.md).
template <bool Linear, class TCentre> class TOrbitEnclosure {
public:
  using TState = TEnclosure<TCentre>;

  // The enclosure of the orbits of every point of Box, at the first iterate.
  // Any centre will do: the half-widths, rounded up in both orders, cover
  // the box around it.
  explicit TOrbitEnclosure(const TProofBox& Box) {
    CX = static_cast<TCentre>(Box.XMin + (Box.XMax - Box.XMin) / 2);
    CY = static_cast<TCentre>(Box.YMin + (Box.YMax - Box.YMin) / 2);
    const auto ExtendedCX = static_cast<TExtended>(CX), ExtendedCY = static_cast<TExtended>(CY);
    RX = std::max(static_cast<TBound>(Box.XMax - ExtendedCX), static_cast<TBound>(ExtendedCX - Box.XMin));
    RY = std::max(static_cast<TBound>(Box.YMax - ExtendedCY), static_cast<TBound>(ExtendedCY - Box.YMin));
    constexpr double Error = std::is_same_v<TCentre, double> ? DoubleOrbitError : OrbitError;
    StepError = OrbitStepError(Error, AbsUp(CX), AbsUp(CY), RX, RY);
    // The first iterate is c itself, exactly.
    E = {CX, CY, static_cast<double>(RX), 0, 0, static_cast<double>(RY), 0};
  }

  // The enclosure of one point's orbit where it stands at z: a double centre
  // starts off by the rounding of z, which the radius takes.
  // Radius adds how far the orbit may already be from z.
  TOrbitEnclosure(TExtended X, TExtended Y, TExtended ZR, TExtended ZI, TBound Radius)
      : TOrbitEnclosure(TProofBox{X, X, Y, Y}) {
    E = {static_cast<TCentre>(ZR), static_cast<TCentre>(ZI), 0, 0, 0, 0, 0};
    E.R = DiffUp(ZR, static_cast<TExtended>(E.ZR)) + DiffUp(ZI, static_cast<TExtended>(E.ZI)) + Radius;
    Rounding = E.R;
  }

  // What the escape test does at the current iteration for every point.
  TEscapeVerdict Test() {
    AbsZ = HypotUp(AbsUp(E.ZR), AbsUp(E.ZI));
    if constexpr (Linear) {
      // The largest |A a + B b| over the square: a convex function of (a, b)
      // peaks at a corner, so it is |A + B| or |A - B|. A and B start at
      // right angles (RX and i RY) and turn together, so this is about
      // sqrt(|A|^2 + |B|^2), for a square tile 1/sqrt 2 of |A| + |B|; and it
      // takes one root instead of two.
      const TBound SumR = DiffUp(E.AR, -E.BR), SumI = DiffUp(E.AI, -E.BI);
      const TBound DifR = DiffUp(E.AR, E.BR), DifI = DiffUp(E.AI, E.BI);
      NormAB = SqrtUp(std::max(SumR * SumR + SumI * SumI, DifR * DifR + DifI * DifI));
    }
    Spread = NormAB + E.R;
    if (SurelyInsideWithin(AbsZ, Spread))
      return TEscapeVerdict::Inside;
    if constexpr (Linear)
      if (CornersInside())
        return TEscapeVerdict::Inside;
    if (SurelyOutsideBeyond(AbsDown(E.ZR), AbsDown(E.ZI), Spread))
      return TEscapeVerdict::Outside;
    return TEscapeVerdict::Undecided;
  }

  // A second look where |Z| + NormAB + R is too wide: |Z + A a + B b| is
  // convex in (a, b) as well, so it is largest at a corner, and where Z is
  // not in line with the linear terms that is well below |Z| + NormAB.
  bool CornersInside() const {
    // Upper bounds of each coordinate and of its negative.
    const TBound ZR = static_cast<TBound>(E.ZR), ZRNeg = static_cast<TBound>(-E.ZR);
    const TBound ZI = static_cast<TBound>(E.ZI), ZINeg = static_cast<TBound>(-E.ZI);
    TBound Largest = 0;
    for (const TBound SA : {1.0, -1.0})
      for (const TBound SB : {1.0, -1.0}) {
        const TBound Re = std::max(ZR + SA * E.AR + SB * E.BR, ZRNeg - SA * E.AR - SB * E.BR);
        const TBound Im = std::max(ZI + SA * E.AI + SB * E.BI, ZINeg - SA * E.AI - SB * E.BI);
        Largest = std::max(Largest, Re * Re + Im * Im);
      }
    return SurelyInsideWithin(SqrtUp(Largest), E.R);
  }

  // Advances the enclosure by one iteration; Test() must have said Inside.
  void Step() {
    TState N;
    TBound ErrorA = 0, ErrorB = 0;
    if constexpr (Linear) {
      const double ZR = CentreDouble(E.ZR), ZI = CentreDouble(E.ZI);
      N.AR = 2 * (ZR * E.AR - ZI * E.AI) + static_cast<double>(RX);
      N.AI = 2 * (ZR * E.AI + ZI * E.AR);
      N.BR = 2 * (ZR * E.BR - ZI * E.BI);
      N.BI = 2 * (ZR * E.BI + ZI * E.BR) + static_cast<double>(RY);
      // |A| and |B| are at most NormAB: A = ((A + B) + (A - B)) / 2.
      ErrorA = LinearError * (AbsZ * NormAB + RX);
      ErrorB = LinearError * (AbsZ * NormAB + RY);
    }
    const TBound Rounded = StepError + ErrorA + ErrorB;
    N.R = 2 * AbsZ * E.R + Spread * Spread + Rounded;
    Rounding = 2 * AbsZ * Rounding + Rounded;
    const TCentre T0 = E.ZR * E.ZR - E.ZI * E.ZI;
    const TCentre T1 = TwiceProduct(E.ZI, E.ZR);
    N.ZR = T0 + CX;
    N.ZI = T1 + CY;
    E = N;
  }

  const TState& Current() const { return E; }
  // A failure, and whether rounding alone made the enclosure as wide as the
  // linear terms do, so that halving the box would hardly narrow it.
  TProofResult Failure(std::int32_t Steps) const { return {false, Steps, Rounding >= NormAB}; }
  void Restart(const TState& State) { E = State; }
  TCentre CentreX() const { return CX; }
  TCentre CentreY() const { return CY; }
  TBound HalfWidthX() const { return RX; }
  TBound HalfWidthY() const { return RY; }
  // Whether the centre's own error is small beside the box.
  bool FineEnough() const { return StepError <= DoubleCentreShare * std::max(RX, RY); }
  // Upper bound of how much one step stretches distances, from Test().
  TBound Gain() const { return 2 * AbsZ; }

  // An upper bound of how far the current enclosure reaches beyond Other's
  // centre, for every a and b: the distances of the centres and of the
  // linear terms, bounded by |re| + |im| (cheaper than a root), plus the
  // radius.
  TBound Reach(const TState& Other) const {
    const TBound DZ = DiffUp(E.ZR, Other.ZR) + DiffUp(E.ZI, Other.ZI);
    if constexpr (!Linear)
      return DZ + E.R;
    const TBound DA = DiffUp(E.AR, Other.AR) + DiffUp(E.AI, Other.AI);
    const TBound DB = DiffUp(E.BR, Other.BR) + DiffUp(E.BI, Other.BI);
    return DZ + DA + DB + E.R;
  }

  // Whether the enclosure Start, widened to the radius Width, comes back
  // inside itself after Steps iterations, testing inside at each of them.
  // Then no orbit that passes through Start ever escapes.
  bool ClosesFrom(const TState& Start, TBound Width, std::int32_t Steps) const {
    TOrbitEnclosure Shadow = *this;
    Shadow.E = Start;
    Shadow.E.R = std::max(Width, Start.R);
    for (std::int32_t K = 0; K < Steps; ++K) {
      if (Shadow.Test() != TEscapeVerdict::Inside)
        return false;
      Shadow.Step();
    }
    return Shadow.Reach(Start) <= std::max(Width, Start.R);
  }

private:
  TCentre CX = 0, CY = 0;
  TBound RX = 0, RY = 0;
  TBound StepError = 0;
  TState E;
  // Bounds of the current enclosure, from Test() for Step().
  TBound AbsZ = 0, NormAB = 0, Spread = 0;
  // The part of the radius that rounding put there, carried as the radius
  // is but without the quadratic terms: a smaller box around the same
  // orbits has it as well.
  TBound Rounding = 0;
};

} // namespace ProofEnclosure
