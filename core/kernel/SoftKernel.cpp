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

#include <algorithm>
#include <array>

namespace {

constexpr int LaneCount = 4;
constexpr std::int32_t BlockIterations = 128;
constexpr std::int32_t MinBlockIterations = 16;
constexpr TSoftRounding Nearest = TSoftRounding::Nearest;

// The number type's bits, where the number type is the x87 format.
TSoftExtended ToSoft(TExtended Value) { return SoftFromX87(Value); }
TExtended FromSoft(TSoftExtended Soft) { return SoftToX87(Soft); }

const TSoftExtended Four = SoftFromInteger(4);

// The fast path: operands whose exponents lie well inside the format, so
// that their sums and products are normal numbers (no zero, subnormal,
// infinity or NaN comes in or goes out, but an exact cancellation to zero,
// which is caught). Anything else takes the full operation. Within the fast
// path the rounding to nearest even is done without branches.
using SoftExtended::TWide;
constexpr int ModerateLow = SoftExtended::ExponentBias - 4000;
constexpr unsigned ModerateSpan = 8000;

inline bool Moderate(TSoftExtended X) {
  return static_cast<unsigned>(SoftExtended::Exponent(X) - ModerateLow) <= ModerateSpan;
}

// Sig x 2^(E - bias - 127), Sig's top bit set, rounded to nearest even;
// the result is known to be normal.
inline TSoftExtended RoundNormal(bool Negative, int E, TWide Sig) {
  // Adding just under half a unit, and one more where the last kept bit is
  // odd, carries into the kept bits exactly when nearest-even rounds up;
  // a carry out of the top leaves 1.0 x 2^(E + 1).
  const auto Odd = static_cast<std::uint64_t>(Sig >> 64) & 1;
  const TWide Rounded = Sig + ((std::uint64_t{1} << 63) - 1 + Odd);
  const auto Carry = static_cast<std::uint64_t>(Rounded < Sig);
  const std::uint64_t High = static_cast<std::uint64_t>(Rounded >> 64) | (Carry << 63);
  return SoftExtended::Make(Negative, E + static_cast<int>(Carry), High);
}

// A x B, times 2^Scale (0, or 1 for the doubled product, which is exact).
[[gnu::always_inline]] inline TSoftExtended Multiply(TSoftExtended A, TSoftExtended B,
                                                     int Scale = 0) {
  if (!(Moderate(A) && Moderate(B))) [[unlikely]] {
    const TSoftExtended Product = SoftMultiply(A, B, Nearest);
    return Scale == 0 ? Product : SoftAdd(Product, Product, Nearest);
  }
  TWide Product = static_cast<TWide>(A.Significand) * B.Significand;
  const int Top = static_cast<int>(Product >> 127);
  Product <<= 1 - Top;
  return RoundNormal(SoftExtended::Sign(A) != SoftExtended::Sign(B),
                     SoftExtended::Exponent(A) + SoftExtended::Exponent(B) -
                         SoftExtended::ExponentBias + Top + Scale,
                     Product);
}

[[gnu::always_inline]] inline TSoftExtended Add(TSoftExtended A, TSoftExtended B) {
  if (!(Moderate(A) && Moderate(B))) [[unlikely]]
    return SoftAdd(A, B, Nearest);
  const int EA = SoftExtended::Exponent(A), EB = SoftExtended::Exponent(B);
  const bool Swap = EA < EB || (EA == EB && A.Significand < B.Significand);
  const TSoftExtended X = Swap ? B : A, Y = Swap ? A : B;
  const int Shift = std::min(Swap ? EB - EA : EA - EB, 127);
  const TWide SigX = static_cast<TWide>(X.Significand) << 63;
  // Y's significand sits 63 bits up: a shift loses bits only past 63, the
  // lowest Shift - 63 bits of the significand.
  const bool Lost = Shift > 63 && (Y.Significand << ((127 - Shift) & 63)) != 0;
  const TWide SigY = ((static_cast<TWide>(Y.Significand) << 63) >> Shift) | static_cast<TWide>(Lost);
  const TWide Sum = SoftExtended::Sign(X) == SoftExtended::Sign(Y) ? SigX + SigY : SigX - SigY;
  if (Sum == 0) [[unlikely]]
    return SoftExtended::Zero(false);
  const auto High = static_cast<std::uint64_t>(Sum >> 64);
  const int Leading = High != 0 ? std::countl_zero(High)
                                : 64 + std::countl_zero(static_cast<std::uint64_t>(Sum));
  return RoundNormal(SoftExtended::Sign(X), SoftExtended::Exponent(X) + 1 - Leading,
                     Sum << Leading);
}

[[gnu::always_inline]] inline TSoftExtended Subtract(TSoftExtended A, TSoftExtended B) {
  if (!(Moderate(A) && Moderate(B))) [[unlikely]]
    return SoftSubtract(A, B, Nearest);
  return Add(A, SoftNegate(B));
}

// |z|^2 = XX + YY certainly at most 4 (no escape), from the exponents
// alone: each square below 2 keeps the sum below 4 whatever its rounding.
inline bool SurelyInside(TSoftExtended XX, TSoftExtended YY) {
  constexpr int Two = SoftExtended::ExponentBias + 1; // exponent of [2, 4)
  return SoftExtended::Exponent(XX) < Two && SoftExtended::Exponent(YY) < Two;
}

inline bool Escaped(TSoftExtended XX, TSoftExtended YY) {
  return !SurelyInside(XX, YY) && SoftCompare(SoftAdd(XX, YY, Nearest), Four) > 0;
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
    L = {{}, {}, {}, {}, ToSoft(Sample.X), ToSoft(Sample.Y)};
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
    const TExtended ZR = FromSoft(Lane.ZR), ZI = FromSoft(Lane.ZI);
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
  if (Limit < 1) {
    IterateSamplesPortable(Feed, Limit, ProveOrbits);
    return;
  }
  TSoftBlock Block(Limit, ProveOrbits);
  TLanePool<TSoftBlock>(Feed, Block).Run();
}
