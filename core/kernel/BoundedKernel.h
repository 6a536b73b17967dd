#pragma once

#include "Kernel.h"
#include "LanePool.h"
#include "OrbitBounds.h"
#include "ProofRation.h"
#include "Sample.h"

#include <cstdint>
#include <vector>

// The samples that the bounded double lanes leave undecided, as a feed:
// the lanes run (under upward rounding) only when a sample is wanted and
// the last batch is used up, so an exact kernel that takes this feed runs
// once for the whole of it, its lanes full to the end, and the undecided
// are shared out with the rest of a frame's samples, not left to the end.
// Samples the lanes settle get their counts on the way. Under a limit below
// 1 every sample is handed on.
class TUndecidedFeed : public TSampleFeed {
public:
  TUndecidedFeed(TSampleFeed& Feed, std::int32_t Limit, TStepRation& Ration);

  bool Next(TSample& Sample) override;
  bool Stopped() const override { return FFeed.Stopped(); }

private:
  static constexpr std::size_t Batch = 64;
  TSampleFeed& FFeed;
  const std::int32_t FLimit;
  std::vector<TSample> FUndecided;
  std::size_t FNext = 0;
  TBoundedLanes FLanes;
  TLanePool<TBoundedLanes> FPool;
  bool FMore = true;
};
