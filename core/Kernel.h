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

// A sample still inside after OrbitProofAt iterations gets one try at a
// proof that it never escapes (ProveOrbitStaysInside), with a budget of
// OrbitProofBudget steps. An orbit attracted to a short cycle is proved
// there, long before it would repeat to the bit; any other gives up within a
// few steps. Later tries with larger budgets cost more than they saved: an
// orbit still unproved by then is attracted too slowly to close within a
// budget worth spending.
inline constexpr std::int32_t OrbitProofAt = 512;
inline constexpr std::int32_t OrbitProofBudget = 32;

// The x87 kernel rations those tries within one thread's share of a frame
// (TProofRation): where they keep failing (orbits that linger near the set
// and escape later, or stay in without being attracted) they cost about a
// percent of the render for nothing; where they succeed, each saves
// thousands of iterations.

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
