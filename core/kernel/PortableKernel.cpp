#include "Kernel.h"
#include "Orbit.h"
#include "ProofRation.h"

namespace {

// How often the orbit is compared with the saved point: often enough to stop
// early in the set, rarely enough to cost nothing measurable.
constexpr std::int32_t CycleCheckInterval = 8;

std::int32_t EscapeCount(TExtended X, TExtended Y, std::int32_t Limit, bool ProveOrbits,
                         TProofRation& Ration) {
  TOrbit Orbit;
  TCycleCheck Cycle{0, 0, CycleCheckInterval};
  TOrbitProofTry Proof(ProveOrbits);
  for (std::int32_t N = 1; N <= Limit; ++N) {
    if (Orbit.Step(X, Y))
      return N;
    if (N == Proof.At() && Proof.TryAt(N, Ration, X, Y, Orbit.ZR, Orbit.ZI))
      return 0;
    if (N % CycleCheckInterval == 0 && Cycle.Repeats(Orbit.ZR, Orbit.ZI, N))
      return 0;
  }
  return 0;
}

} // namespace

// The literal loop plus exact cycle detection (see FastPaths.md). Orbits that
// are attracted to a cycle are also proved to stay inside.
std::int32_t EscapeCount(TExtended X, TExtended Y, std::int32_t Limit, bool ProveOrbits) {
  TProofRation Ration;
  return EscapeCount(X, Y, Limit, ProveOrbits, Ration);
}

void IterateSamplesPortable(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits) {
  TProofRation Ration;
  TSample Sample;
  while (Feed.Next(Sample))
    *Sample.Count = EscapeCount(Sample.X, Sample.Y, Limit, ProveOrbits, Ration);
}
