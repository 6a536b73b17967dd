#pragma once

#include "LaneBook.h"
#include "ProofBounds.h"
#include "ProofRation.h"
#include "Sample.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

// Orbits in doubles, four at a time, each with a rigorous bound of its
// distance from the literal 80-bit orbit (FastPaths.md): a block of lanes
// for TLanePool. Where the bound decides the escape test at every
// iteration up to an escape or the limit, that is the count; where it
// cannot (an orbit that escapes after its rounding has grown too large, or
// a point outside the range of the bound), the sample is put in Undecided,
// for an exact kernel. Doubles run about twice as fast as the x87 kernel,
// which pays for samples that stay in the set and for most that escape;
// where they do not, the step ration (which may be shared by threads and
// calls) keeps them to a few samples. The lanes run under upward rounding:
// hold a TUpward while the pool runs them.
class TBoundedLanes {
public:
  static constexpr int LaneCount = 4;
  static constexpr std::int32_t MaxSteps = std::numeric_limits<std::int32_t>::max();

  // The pool pauses once Batch samples wait in Undecided.
  TBoundedLanes(std::int32_t Limit, std::vector<TSample>& Undecided, std::size_t Batch,
                TStepRation& Ration);
  ~TBoundedLanes();
  TBoundedLanes(const TBoundedLanes&) = delete;
  TBoundedLanes& operator=(const TBoundedLanes&) = delete;

  // Upward rounding for its lifetime (the caller's mode back after).
  using TUpward = TRoundUpward;

  // The lane block's side of TLanePool. A lane's N counts the iterations
  // whose z it has tested.
  bool Load(int Lane, const TSample& Sample, TLaneBook& Book);
  void Idle(int Lane);
  std::int32_t Steps(const TLaneBook& Book) const {
    return std::min(FLimit, Book.Proof.At()) - Book.N;
  }
  // Runs every lane Steps iterations on, or fewer, when the cheap test in
  // the registers fails for some lane (then the lanes get the full test).
  std::int32_t Run(std::int32_t Steps);
  bool Finish(int Lane, TLaneBook& Book, std::int32_t Done);
  bool Paused() const { return FUndecided.size() >= FBatch; }

private:
  struct TLanes;
  const std::int32_t FLimit;
  const std::size_t FBatch;
  std::vector<TSample>& FUndecided;
  TStepRation& FStepRation;
  TProofRation FProofRation;
  std::unique_ptr<TLanes> FLanes;
  bool FCheapTestFailed = false;
};

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
