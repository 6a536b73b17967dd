#pragma once

#include "Kernel.h"
#include "LaneBook.h"
#include "Sample.h"

#include <algorithm>
#include <array>
#include <cstdint>

// Several orbits in flight: fills each lane of a block with the next sample
// the feed hands out, runs all lanes together a block of iterations at a
// time, lets the block finish each lane after it, and refills the lanes
// that finished, until the feed is through. What runs the iterations is
// TBlock (the x87 registers, or doubles with a bound), which provides:
//   LaneCount, MaxSteps                  lanes, and the longest block
//   bool Load(int K, const TSample&, TLaneBook&)
//                                         takes the sample into lane K, or
//                                         settles it or passes it on (false)
//   void Idle(int K)                      lane K runs empty
//   std::int32_t Steps(const TLaneBook&)  how far lane K may run now
//   std::int32_t Run(std::int32_t Steps)  runs every lane; returns the steps
//                                         run, Steps or fewer
//   bool Finish(int K, TLaneBook&, std::int32_t Done)
//                                         after a block: writes the count of
//                                         a lane that is through (true)
//   bool Paused() const                   true to return between blocks
// The render is stopped between blocks: lanes are then left unfinished,
// their counts unwritten.
template <class TBlock> class TLanePool {
public:
  TLanePool(TSampleFeed& Feed, TBlock& Block) : FFeed(Feed), FBlock(Block) {}

  // Runs until every lane is through and the feed is empty or stopped, or
  // until the block pauses; returns whether any lane is left.
  bool Run() {
    if (!FStarted) {
      FStarted = true;
      for (int K = 0; K < TBlock::LaneCount; ++K)
        FActive += Refill(K);
    }
    while (FActive > 0 && !FFeed.Stopped() && !FBlock.Paused()) {
      std::int32_t Steps = TBlock::MaxSteps;
      for (const TLaneBook& Book : FBooks)
        if (Book.Active)
          Steps = std::min(Steps, FBlock.Steps(Book));
      const std::int32_t Done = FBlock.Run(Steps);
      for (int K = 0; K < TBlock::LaneCount; ++K)
        if (FBooks[static_cast<std::size_t>(K)].Active &&
            FBlock.Finish(K, FBooks[static_cast<std::size_t>(K)], Done))
          FActive += Refill(K) - 1;
    }
    return FActive > 0;
  }

private:
  bool Refill(int K) {
    TLaneBook& Book = FBooks[static_cast<std::size_t>(K)];
    TSample Sample;
    while (FFeed.Next(Sample))
      if (FBlock.Load(K, Sample, Book))
        return true;
    FBlock.Idle(K);
    Book = TLaneBook{};
    return false;
  }

  TSampleFeed& FFeed;
  TBlock& FBlock;
  std::array<TLaneBook, TBlock::LaneCount> FBooks;
  bool FStarted = false;
  int FActive = 0;
};

// Iterates every sample of the feed in TBlock's lanes (a block built from
// the limit and whether orbit proofs are tried). Under a limit below 1 no
// iteration runs at all; the portable loop writes those counts.
template <class TBlock>
void IterateInPool(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits) {
  if (Limit < 1) {
    IterateSamplesPortable(Feed, Limit, ProveOrbits);
    return;
  }
  TBlock Block(Limit, ProveOrbits);
  TLanePool<TBlock>(Feed, Block).Run();
}
