#include "BoundedKernel.h"

TUndecidedFeed::TUndecidedFeed(TSampleFeed& Feed, std::int32_t Limit, TStepRation& Ration)
    : FFeed(Feed), FLimit(Limit), FLanes(Limit, FUndecided, Batch, Ration), FPool(Feed, FLanes) {}

bool TUndecidedFeed::Next(TSample& Sample) {
  if (FLimit < 1)
    return FFeed.Next(Sample);
  if (FNext == FUndecided.size()) {
    FUndecided.clear();
    FNext = 0;
    if (FMore) {
      const TBoundedLanes::TUpward Upward;
      FMore = FPool.Run();
    }
    if (FUndecided.empty())
      return false; // the lanes are through the feed
  }
  Sample = FUndecided[FNext++];
  return true;
}

void IterateSamplesBounded(TSampleFeed& Feed, std::int32_t Limit, TExactKernel Exact,
                           TStepRation& Ration) {
  TUndecidedFeed Undecided(Feed, Limit, Ration);
  IterateExactly(Undecided, Limit, Exact);
}

void IterateSamplesBounded(TSampleFeed& Feed, std::int32_t Limit, TExactKernel Exact) {
  TStepRation Ration;
  IterateSamplesBounded(Feed, Limit, Exact, Ration);
}

void IterateExactly(TSampleFeed& Feed, std::int32_t Limit, TExactKernel Exact, bool ProveOrbits) {
  switch (Exact) {
  case TExactKernel::Default:
    IterateSamples(Feed, Limit, ProveOrbits);
    break;
  case TExactKernel::Portable:
    IterateSamplesPortable(Feed, Limit, ProveOrbits);
    break;
  case TExactKernel::Soft:
    IterateSamplesSoft(Feed, Limit, ProveOrbits);
    break;
  }
}
