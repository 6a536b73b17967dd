#include "Kernel.h"
#include "Orbit.h"
#include "BoxProof.h"

namespace {

// How often the orbit is compared with the saved point: often enough to stop
// early in the set, rarely enough to cost nothing measurable.
constexpr std::int32_t CycleCheckInterval = 8;

} // namespace

// The literal loop plus exact cycle detection (see FastPaths.md): the state
// (zr, zi) determines the rest of the orbit, so when it comes back to a saved
// value the orbit is periodic and, having not escaped so far, never will.
// Orbits that are attracted to a cycle are also proved to stay inside.
std::int32_t EscapeCount(TExtended X, TExtended Y, std::int32_t Limit, bool ProveOrbits) {
  TOrbit Orbit;
  TExtended SavedR = 0, SavedI = 0;
  std::int32_t NextSave = CycleCheckInterval;
  const std::int32_t ProofAt = ProveOrbits ? OrbitProofAt : Limit + 1;
  for (std::int32_t N = 1; N <= Limit; ++N) {
    if (Orbit.Step(X, Y))
      return N;
    if (N == ProofAt && ProveOrbitStaysInside(X, Y, Orbit.ZR, Orbit.ZI, OrbitProofBudget))
      return 0;
    if (N % CycleCheckInterval == 0) {
      if (Orbit.ZR == SavedR && Orbit.ZI == SavedI)
        return 0;
      if (N >= NextSave) { // Brent: re-save at doubling intervals
        SavedR = Orbit.ZR;
        SavedI = Orbit.ZI;
        NextSave = 2 * N;
      }
    }
  }
  return 0;
}

void IterateSamplesPortable(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits) {
  TSample Sample;
  while (Feed.Next(Sample))
    *Sample.Count = EscapeCount(Sample.X, Sample.Y, Limit, ProveOrbits);
}
