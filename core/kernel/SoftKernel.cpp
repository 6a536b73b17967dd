// The software extended real's kernel: four samples in flight per thread,
// each iteration the literal loop's operations in TSoftExtended, rounded to
// nearest, so z is the same bits as the x87 unit's. The escape test is the
// literal one, made exactly, but only where the squares' exponents cannot
// rule the escape out.

#include "Kernel.h"
#include "LanePool.h"
#include "Orbit.h"
#include "ProofRation.h"
#include "SoftExtended.h"
#include "SoftFast.h"

#include <algorithm>
#include <array>

namespace {

constexpr int LaneCount = 4;
constexpr std::int32_t BlockIterations = 128;
constexpr std::int32_t MinBlockIterations = 16;
const TSoftExtended Four = SoftFromInteger(4);

using SoftFast::Add;
using SoftFast::Multiply;
using SoftFast::Nearest;
using SoftFast::Subtract;

// |z|^2 = XX + YY certainly at most 4 (no escape), from the exponents
// alone: each square below 2 keeps the sum below 4 whatever its rounding.
inline bool SquaresBelowTwo(TSoftExtended XX, TSoftExtended YY) {
  constexpr int Two = SoftExtended::ExponentBias + 1; // exponent of [2, 4)
  return SoftExtended::Exponent(XX) < Two && SoftExtended::Exponent(YY) < Two;
}

inline bool Escaped(TSoftExtended XX, TSoftExtended YY) {
  return !SquaresBelowTwo(XX, YY) && SoftCompare(SoftAdd(XX, YY, Nearest), Four) == 1; // not a NaN
}

// One lane's state: z and its squares, and c.
struct TSoftLane {
  TSoftExtended ZR, ZI, ZR2, ZI2, CX, CY;
};

// One literal iteration; true when the new z escaped.
inline bool Step(TSoftLane& L) {
  const TSoftExtended T0 = Subtract(L.ZR2, L.ZI2);
  const TSoftExtended T1 = Multiply(L.ZI, L.ZR, 1);
  L.ZR = Add(T0, L.CX);
  L.ZI = Add(T1, L.CY);
  L.ZR2 = Multiply(L.ZR, L.ZR);
  L.ZI2 = Multiply(L.ZI, L.ZI);
  return Escaped(L.ZR2, L.ZI2);
}

// The soft lanes as a block for TLanePool. A lane's N counts the
// iterations whose z it has tested.
class TSoftBlock {
public:
  static constexpr int LaneCount = ::LaneCount;
  static constexpr std::int32_t MaxSteps = BlockIterations;

  TSoftBlock(std::int32_t Limit, bool ProveOrbits) : FLimit(Limit), FProveOrbits(ProveOrbits) {}

  bool Load(int K, const TSample& Sample, TLaneBook& Book) {
    TSoftLane& L = FLanes[static_cast<std::size_t>(K)];
    L = {{}, {}, {}, {}, ExtendedBits(Sample.X), ExtendedBits(Sample.Y)};
    Book = {true, 0, Sample, TOrbitProofTry(FProveOrbits)};
    FCycles[static_cast<std::size_t>(K)] = {0, 0, 0};
    return true;
  }

  void Idle(int K) { FLanes[static_cast<std::size_t>(K)] = {}; }

  // Run no lane past its limit; young lanes are looked at sooner, so that
  // orbits that settle early into a cycle stop early.
  std::int32_t Steps(const TLaneBook& Book) const {
    return std::min(FLimit - Book.N, std::max(Book.N, MinBlockIterations));
  }

  // All lanes in lock step until one escapes: the escaped lanes are marked.
  std::int32_t Run(std::int32_t Steps) {
    FEscaped = 0;
    for (std::int32_t Done = 1; Done <= Steps; ++Done) {
      unsigned Escapes = 0;
      for (int K = 0; K < LaneCount; ++K)
        Escapes |= static_cast<unsigned>(Step(FLanes[static_cast<std::size_t>(K)])) << K;
      if (Escapes != 0) {
        FEscaped = Escapes;
        return Done;
      }
    }
    return Steps;
  }

  bool Finish(int K, TLaneBook& Book, std::int32_t Done) {
    const auto L = static_cast<std::size_t>(K);
    const TSoftLane& Lane = FLanes[L];
    Book.N += Done;
    if ((FEscaped >> K) & 1u) {
      *Book.Sample.Count = Book.N;
      return true;
    }
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
  std::array<TSoftLane, LaneCount> FLanes{};
  std::array<TCycleCheck, LaneCount> FCycles{};
  unsigned FEscaped = 0;
  TProofRation FRation;
};

} // namespace

void IterateSamplesSoft(TSampleFeed& Feed, std::int32_t Limit, bool ProveOrbits) {
  IterateInPool<TSoftBlock>(Feed, Limit, ProveOrbits);
}
