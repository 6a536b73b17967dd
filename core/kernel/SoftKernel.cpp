// The software extended real's kernel: eight samples in flight per thread
// where the processor has 512-bit vectors (SoftWideLanes.cpp), four
// otherwise, each iteration the literal loop's operations in TSoftExtended,
// rounded to nearest, so z is the same bits as the x87 unit's. The escape
// test is the literal one, made exactly, but only where the squares'
// exponents cannot rule the escape out.

#include "Kernel.h"
#include "LanePool.h"
#include "Orbit.h"
#include "ProofRation.h"
#include "SoftExtended.h"
#include "SoftLanes.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::int32_t BlockIterations = 128;
constexpr std::int32_t MinBlockIterations = 16;

// Four lanes of SoftStep, one after another in each iteration: the
// processor overlaps their work. In WebAssembly they step together, each
// operation for all four in turn, where its compiler would not overlap
// four calls.
class TSoftScalarLanes {
public:
  static constexpr int LaneCount = 4;

  void Set(int K, const TSoftLane& Lane) { FLanes[static_cast<std::size_t>(K)] = Lane; }
  TSoftLane Get(int K) const { return FLanes[static_cast<std::size_t>(K)]; }

  std::int32_t Run(std::int32_t Steps, unsigned& Escaped) {
    for (std::int32_t Done = 1; Done <= Steps; ++Done) {
#ifdef __wasm__
      const unsigned Escapes = SoftStepsCheckedOnce<LaneCount>(FLanes.data());
#else
      unsigned Escapes = 0;
      for (int K = 0; K < LaneCount; ++K)
        Escapes |= static_cast<unsigned>(SoftStep(FLanes[static_cast<std::size_t>(K)])) << K;
#endif
      if (Escapes != 0) {
        Escaped = Escapes;
        return Done;
      }
    }
    Escaped = 0;
    return Steps;
  }

private:
  std::array<TSoftLane, LaneCount> FLanes{};
};

// c = -1/4 + i/4, inside the main cardioid, with z starting at c.
TSoftLane IdleLane() {
  using namespace SoftExtended;
  const TSoftExtended Quarter = Make(false, ExponentBias - 2, IntegerBit);
  const TSoftExtended Sixteenth = Make(false, ExponentBias - 4, IntegerBit);
  return {SoftNegate(Quarter), Quarter, Sixteenth, Sixteenth, SoftNegate(Quarter), Quarter};
}

// The soft lanes as a block for TLanePool. A lane's N counts the
// iterations whose z it has tested. An idle lane runs an orbit that stays
// inside, away from zero, so that it never needs the scalar operations.
template <class TLanes> class TSoftBlock {
public:
  static constexpr int LaneCount = TLanes::LaneCount;
  static constexpr std::int32_t MaxSteps = BlockIterations;

  TSoftBlock(std::int32_t Limit, bool ProveOrbits) : FLimit(Limit), FProveOrbits(ProveOrbits) {}

  bool Load(int K, const TSample& Sample, TLaneBook& Book) {
    FLanes.Set(K, {{}, {}, {}, {}, ExtendedBits(Sample.X), ExtendedBits(Sample.Y)});
    Book = {true, 0, Sample, TOrbitProofTry(FProveOrbits)};
    FCycles[static_cast<std::size_t>(K)] = {0, 0, 0};
    return true;
  }

  void Idle(int K) { FLanes.Set(K, IdleLane()); }

  // Run no lane past its limit; young lanes are looked at sooner, so that
  // orbits that settle early into a cycle stop early.
  std::int32_t Steps(const TLaneBook& Book) const {
    return std::min(FLimit - Book.N, std::max(Book.N, MinBlockIterations));
  }

  // All lanes in lock step until one escapes: the escaped lanes are marked.
  std::int32_t Run(std::int32_t Steps) { return FLanes.Run(Steps, FEscaped); }

  bool Finish(int K, TLaneBook& Book, std::int32_t Done) {
    const auto L = static_cast<std::size_t>(K);
    Book.N += Done;
    if ((FEscaped >> K) & 1u) {
      *Book.Sample.Count = Book.N;
      return true;
    }
    const TSoftLane Lane = FLanes.Get(K);
    const TExtended ZR = FromExtendedBits(Lane.ZR), ZI = FromExtendedBits(Lane.ZI);
    if (Book.N >= FLimit || FCycles[L].Repeats(ZR, ZI, Book.N) ||
        Book.Proof.TryAt(Book.N, FRation, Book.Sample.X, Book.Sample.Y, ZR, ZI)) {
      *Book.Sample.Count = 0;
      return true;
    }
    return false;
  }

  bool Paused() const { return false; }

private:
  const std::int32_t FLimit;
  const bool FProveOrbits;
  TLanes FLanes;
  std::array<TCycleCheck, LaneCount> FCycles{};
  unsigned FEscaped = 0;
  TProofRation FRation;
};

} // namespace

void IterateSamplesSoft(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits) {
  if (TSoftWideLanes::Available())
    IterateInPool<TSoftBlock<TSoftWideLanes>>(Feed, Limit, ProveOrbits);
  else
    IterateInPool<TSoftBlock<TSoftScalarLanes>>(Feed, Limit, ProveOrbits);
}
