#pragma once

#include "ExactKernel.h"
#include "Extended.h"
#include "ProofRation.h"
#include "Sample.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Iterates every sample the feed hands out with the given limit, giving the
// same counts as IsInSet, several samples in flight at once where the
// processor allows it. Orbits still inside after OrbitProofAt iterations get
// one rationed try at a proof that they stay inside (FastPaths.md);
// ProveOrbits false leaves those tries out (for comparison).
void IterateSamples(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits = true);

// The same with the portable loop, one sample at a time; used where the x87
// kernel cannot be built, and by the tests to check it everywhere.
void IterateSamplesPortable(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits = true);

// The same with the software extended real's kernel, several samples in
// flight (SoftKernel.cpp), for machines without the x87 unit; where the x87
// unit is there, it is tested and measured against it.
void IterateSamplesSoft(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits = true);

// Escape count of one point by the portable loop, with exact cycle detection.
std::int32_t EscapeCount(TExtended X, TExtended Y, std::int32_t Limit, bool ProveOrbits = true);

// Iterates every sample of the feed with the kernel chosen.
void IterateExactly(TSampleFeed& Feed, std::int32_t Limit, TExactKernel Exact,
                    bool ProveOrbits = true);

// Gives every sample the count IsInSet gives it, like the kernels, but first
// follows each orbit in doubles with a rigorous bound (TBoundedLanes); what
// the bound cannot decide is iterated by the exact kernel chosen. Ration,
// which may be shared by threads and calls, keeps the doubles to a few
// samples where they keep failing.
void IterateSamplesBounded(TSampleFeed& Feed, std::int32_t Limit, TExactKernel Exact,
                           TStepRation& Ration);
// The same with a ration of its own.
void IterateSamplesBounded(TSampleFeed& Feed, std::int32_t Limit,
                           TExactKernel Exact = TExactKernel::Default);

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
