#pragma once

#include "Extended.h"
#include "Sample.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Iterates every sample the feed hands out with the given limit, giving the
// same counts as IsInSet, several samples in flight at once where the
// processor allows it.
// ProveOrbits false leaves out the orbit proofs above (for comparison).
void IterateSamples(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits = true);

// The same with the portable loop, one sample at a time; used where the x87
// kernel cannot be built, and by the tests to check it everywhere.
void IterateSamplesPortable(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits = true);

// Escape count of one point by the portable loop, with exact cycle detection.
std::int32_t EscapeCount(TExtended X, TExtended Y, std::int32_t Limit, bool ProveOrbits = true);

// True where IterateSamples runs the hand-written x87 kernel.
bool HasX87Kernel();

// How many times the x87 kernel's escape watch has reported a lane, so far in
// this process. Orbits deep inside the set should never be reported: a fault
// that turned lanes into NaN would stay exact, through the literal reruns,
// but slow.
std::int64_t X87WatchReports();

// How many samples the x87 kernel has loaded into its lanes, so far in this
// process: none while only the portable loop runs.
std::int64_t X87LanesLoaded();
