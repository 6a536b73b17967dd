#pragma once

#include "Extended.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One sample for the iteration kernels: the point, and where its result goes
// (0: did not escape within the limit, n: escaped at iteration n).
struct TSample {
  TExtended X = 0;
  TExtended Y = 0;
  std::int32_t* Count = nullptr;
};

// Hands samples to one kernel until it returns false.
class TSampleFeed {
public:
  virtual ~TSampleFeed() = default;
  virtual bool Next(TSample& Sample) = 0;
  // True once no more results are wanted (the render was asked to stop):
  // the kernels then leave their lanes unfinished, their counts unwritten.
  // They look between blocks of iterations, every hundred or so.
  virtual bool Stopped() const { return false; }
};

// Hands out the samples of a list, in order; the list must outlive it.
class TListFeed : public TSampleFeed {
public:
  explicit TListFeed(const std::vector<TSample>& Samples) : FSamples(Samples) {}
  explicit TListFeed(std::vector<TSample>&&) = delete; // would outlive its list
  bool Next(TSample& Sample) override {
    if (FNext == FSamples.size())
      return false;
    Sample = FSamples[FNext++];
    return true;
  }

private:
  const std::vector<TSample>& FSamples;
  std::size_t FNext = 0;
};
