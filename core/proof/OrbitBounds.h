#pragma once

#include "ProofBounds.h"
#include "ProofRation.h"
#include "Sample.h"

#include <cstdint>

// Gives every sample the feed hands out the count IsInSet gives it, like the
// kernels, but first follows each orbit in doubles, several to a register,
// with a rigorous bound of its distance from the literal 80-bit orbit
// (FastPaths.md). Where the bound decides the escape test at every iteration
// up to an escape or the limit, that is the count; where it cannot (an orbit
// that escapes after its rounding has grown too large, or a point outside
// the range of the bound), the sample is iterated exactly by Exact. Doubles
// run about twice as fast as the x87 kernel, which pays for samples that
// stay in the set and for most that escape; where they do not, Ration (which
// may be shared by threads and calls) keeps them to a few samples.
void IterateSamplesBounded(TSampleFeed& Feed, std::int32_t Limit, TExactKernel Exact,
                           TStepRation& Ration);
// The same with a ration of its own.
void IterateSamplesBounded(TSampleFeed& Feed, std::int32_t Limit, TExactKernel Exact);

// One lane of the doubles, for tests that check the bound itself: the
// literal loop's z_n lies within sqrt(S) of the double orbit w_n = (ZR, ZI)
// of C = (CX, CY); E2 is the squared step error with its factor.
struct TBoundedLane {
  double ZR = 0, ZI = 0, S = 0;
  double CX = 0, CY = 0, E2 = 0;
};
// The lane of (X, Y) at z_1 = c, as the lanes start it.
TBoundedLane StartBoundedLane(TExtended X, TExtended Y);
// What the escape test does for every z of the lane's disk; CheapInside
// tells whether the cheap test in the registers passes.
TEscapeVerdict TestBoundedLane(const TBoundedLane& Lane, bool& CheapInside);
// The lane one iteration on, as the registers step it.
TBoundedLane StepBoundedLane(const TBoundedLane& Lane);
