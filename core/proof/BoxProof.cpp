// Proofs that a whole box of points has one escape count, or that one orbit
// never escapes, by running the enclosure of Enclosure.h. FastPaths.md
// derives every bound used here.
//
// Everything in this file runs with upward rounding, so that each sum and
// product of non-negative bounds rounds up. It is built with -frounding-math,
// which keeps the compiler from folding or moving floating-point operations
// as if rounding were to nearest; ProveBox sets the mode and checks it.

#include "BoxProof.h"

#include "Enclosure.h"
#include "ProofBounds.h"

#include <cmath>
#include <initializer_list>
#include <limits>

namespace {

using namespace ProofEnclosure;

// Looking for an enclosure that comes back inside an earlier one: the first
// is saved at this iteration, then at doubling intervals; at most so many
// runs from each, with a width of WidthMargin times what a contraction would
// need, and never wider than MaxWidth (wider ones fail on the quadratic terms).
constexpr std::int32_t FirstCheckpoint = 8;
constexpr int MaxClosureAttempts = 3;
constexpr double WidthMargin = 2;
constexpr double MaxWidth = 0x1p-8;
constexpr double MaxOpenGain = 0x1p10;

// Runs the enclosure for up to Steps iterations, each tested inside; Reached
// says whether getting through all of them proves the claim. On the way it
// looks for an enclosure that repeats an earlier one (saved at doubling
// intervals, as in Brent's method): where the distance to the saved one is
// small and the steps in between contract, the saved enclosure, widened,
// is run again to see whether it comes back inside itself.
template <class TProof> TProofResult StaysInside(TProof& Proof, std::int32_t Steps, bool Reached) {
  std::int32_t Work = 0;
  typename TProof::TState Saved;
  std::int32_t SavedAt = 0, NextCheckpoint = FirstCheckpoint, Attempts = 0;
  TBound Gain = 1, Best = 0;
  for (std::int32_t N = 1; N <= Steps; ++N, ++Work) {
    if (Proof.Test() != TEscapeVerdict::Inside)
      return Proof.Failure(Work);
    if (N == NextCheckpoint) {
      // Where only a closure proves anything, stop at an orbit that has
      // been stretched this much since the last checkpoint (it is not being
      // attracted), or that has not once come back close enough to the
      // saved enclosure to be worth a run (attracted slowly, if at all).
      if (!Reached && SavedAt > 0 && (Gain > MaxOpenGain || Attempts == 0))
        return Proof.Failure(Work);
      Saved = Proof.Current();
      SavedAt = N;
      NextCheckpoint *= 2;
      Gain = 1;
      Attempts = 0;
      Best = std::numeric_limits<double>::infinity();
    } else if (SavedAt > 0 && Gain < 1 && Attempts < MaxClosureAttempts) {
      // The width that a contraction by Gain would keep: a guess, which the
      // run from the saved enclosure then checks.
      const TBound Distance = Proof.Reach(Saved);
      const TBound Width = WidthMargin * Distance / (1 - Gain);
      if (Distance < Best && Width <= MaxWidth) {
        Best = Distance;
        ++Attempts;
        Work += N - SavedAt;
        if (Proof.ClosesFrom(Saved, Width, N - SavedAt))
          return {true, Work};
      }
    }
    Gain *= Proof.Gain();
    Proof.Step();
  }
  return {Reached, Work};
}

// Every point passes the escape test first at iteration Expected.
template <class TProof> TProofResult EscapesTogether(TProof& Proof, std::int32_t Expected) {
  for (std::int32_t N = 1; N < Expected; ++N) {
    if (Proof.Test() != TEscapeVerdict::Inside)
      return Proof.Failure(N);
    Proof.Step();
  }
  if (Proof.Test() != TEscapeVerdict::Outside)
    return Proof.Failure(Expected);
  return {true, Expected};
}

// Whether every coordinate is a number well inside the range of doubles, in
// which the bounds are computed. Points beyond escape at once and need no
// proof.
bool InRange(std::initializer_list<TExtended> Values) {
  constexpr TExtended MaxCoordinate = 0x1p64L;
  for (const TExtended V : Values)
    if (!(Abs(V) <= MaxCoordinate))
      return false;
  return true;
}

} // namespace

TProofResult ProveBox(const TProofBox& Box, std::int32_t Limit, std::int32_t Expected) {
  if (Expected < 0 || Expected > Limit || Limit < 1 ||
      !InRange({Box.XMin, Box.XMax, Box.YMin, Box.YMax}))
    return {};
  const TRoundUpward Upward;
  const auto Run = [&](auto Proof) {
    return Expected == 0 ? StaysInside(Proof, Limit, true) : EscapesTogether(Proof, Expected);
  };
  const TOrbitEnclosure<true, double> Fast(Box);
  if (Fast.FineEnough())
    return Run(Fast);
  return Run(TOrbitEnclosure<true, TExtendedCentre>(Box));
}

bool ProveOrbitStaysInside(TExtended X, TExtended Y, TExtended ZR, TExtended ZI,
                           std::int32_t Budget, double Radius) {
  if (!InRange({X, Y, ZR, ZI}) || !(Radius >= 0 && Radius <= MaxWidth))
    return false;
  const TRoundUpward Upward;
  TOrbitEnclosure<false, double> Proof(X, Y, ZR, ZI, Radius);
  return StaysInside(Proof, Budget, false).Proved;
}

double DoubleOrbitStepError(double CX, double CY, double RX, double RY) {
  return static_cast<double>(OrbitStepError(DoubleOrbitError, std::fabs(CX), std::fabs(CY), RX, RY));
}
