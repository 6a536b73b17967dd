// Orbits in doubles, each with a bound of its distance from the literal
// loop's 80-bit orbit of the same point; FastPaths.md derives every bound
// used here.
//
// The lanes run with upward rounding, so that every sum and product of
// non-negative bounds rounds up; the file is built with -frounding-math.
// Where the processor cannot round upward, the orbits round to nearest (their
// error, not its direction, is bounded) and so do the bounds, each then
// moved above what it rounded: the bounds are TBound, or in the registers
// pass through Above.

#include "OrbitBounds.h"

#include "ProofBounds.h"
#include "BoxProof.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Two lanes to a register, in GCC's vector extensions: SSE2 on x86-64,
// NEON on arm64, the same IEEE operations, rounded as the caller's mode
// says, everywhere.
using TDouble2 = double __attribute__((vector_size(16)));
using TMask2 = std::int64_t __attribute__((vector_size(16)));

inline TDouble2 Load2(const double* From) {
  TDouble2 Value;
  std::memcpy(&Value, From, sizeof Value);
  return Value;
}

inline void Store2(double* To, TDouble2 Value) { std::memcpy(To, &Value, sizeof Value); }

// A bound in the registers, rounded upward: by the processor, or from the
// nearest rounding where that is all there is.
inline TDouble2 Above(TDouble2 V) {
#ifdef GORVANEL_UPWARD_IN_SOFTWARE
  return AboveNearest(V);
#else
  return V;
#endif
}

// m, the squares' sum rounded up: an upper bound of |w|^2.
inline TDouble2 SquareSum(TDouble2 XX, TDouble2 YY) { return Above(Above(XX) + Above(YY)); }

// Registers of two orbits each in flight; four hide the latency of a step.
constexpr int Registers = TBoundedLanes::LaneCount / 2;

// Each lane keeps S >= r^2 for the radius r of the disk around its double
// orbit w that holds the literal orbit, so that a step needs no root. The
// cross terms are split by 2 |w| r <= T |w|^2 + r^2 / T (any T > 0) and
// (a + b)^2 <= (1 + H) a^2 + (1 + 1 / H) b^2 (any H > 0):
// - the test: (|w| + r)^2 <= |w|^2 + 4 TestT + (1 + 1 / TestT) S while
//   |w|^2 <= 4; a lane that fails it gets the exact test with roots;
// - the step: r' <= r (2 |w| + r) + E, so
//   S' = S ((1 + H) 4 (1 + StepT) |w|^2 + (1 + H)(1 + 1 / StepT) S)
//        + (1 + 1 / H) E^2.
// H and StepT stretch S by (1 + H)(1 + StepT) per step, about 1.001, while
// E^2 is taken 1 + 1 / H times: of the choices measured, this left the
// fewest lanes undecided.
constexpr double TestT = 0x1p-8;
constexpr double StepT = 0x1p-14;
constexpr double H = 0x1p-10;
// These products of powers of two are exact.
constexpr double TestFactor = 1 + 1 / TestT;
constexpr double TestBelow = SurelyInside - 4 * TestT;
constexpr double SquareFactor = (1 + H) * 4 * (1 + StepT);
constexpr double RadiusFactor = (1 + H) * (1 + 1 / StepT);
constexpr double ErrorFactor = 1 + 1 / H;
// What a decided lane's step saves, in steps of undecided lanes, for the
// ration: a double step costs about half an x87 one, so about one. Where
// the exact kernel is the software real in WebAssembly, a step of it costs
// some ten double ones.
#ifdef GORVANEL_UPWARD_IN_SOFTWARE
constexpr std::int32_t StepWorth = 8;
#else
constexpr std::int32_t StepWorth = 1;
#endif
// Points farther out escape at the first iteration or the second; they, and
// anything not a number, go to the exact kernel.
constexpr double MaxCoordinate = 4;

// What the escape test does for every orbit within sqrt(S) of (X, Y).
TEscapeVerdict Test(double X, double Y, double S) {
  const TBound M = TBound(X) * X + TBound(Y) * Y;
  const TBound R = SqrtUp(TBound(S));
  if (SurelyInsideWithin(SqrtUp(M), R) || TBound(S) * TestFactor + M <= TestBelow)
    return TEscapeVerdict::Inside;
  return SurelyOutsideBeyond(std::fabs(X), std::fabs(Y), R) ? TEscapeVerdict::Outside
                                                            : TEscapeVerdict::Undecided;
}

// A lane's first state, at z_1 = c: w_1 = C, c rounded to double, and r_1
// bounded by the rounding; the step error E of every step is kept squared,
// with its factor.
TBoundedLane StartLane(TExtended X, TExtended Y) {
  const double CX = static_cast<double>(X), CY = static_cast<double>(Y);
  const TBound RX = DiffUp(X, TExtended{CX}), RY = DiffUp(Y, TExtended{CY});
  const TBound R = RX + RY;
  const TBound E = DoubleOrbitStepError(CX, CY, static_cast<double>(RX), static_cast<double>(RY));
  return {CX, CY, static_cast<double>(R * R), CX, CY, static_cast<double>(E * E * ErrorFactor)};
}

// The lanes' cheap test, for two lanes at once: all bits set where it fails.
inline TMask2 CheapTestFails(TDouble2 S, TDouble2 M) {
  return ~(Above(Above(S * TestFactor) + M) <= TestBelow); // NaN fails too
}

// One step of two lanes, from their squares XX, YY and M = XX + YY: the
// bound first, since it needs the old |w|^2, then the orbit.
inline void StepLanes(TDouble2& ZR, TDouble2& ZI, TDouble2& S, TDouble2 XX, TDouble2 YY, TDouble2 M,
                      const double* CX, const double* CY, const double* E2) {
  const TDouble2 Gain = Above(Above(M * SquareFactor) + Above(S * RadiusFactor));
  S = Above(Above(S * Gain) + Load2(E2));
  const TDouble2 Twice = ZR + ZR;
  ZR = (XX - YY) + Load2(CX);
  ZI = Twice * ZI + Load2(CY);
}

} // namespace

struct alignas(16) TBoundedLanes::TLanes {
  std::array<double, LaneCount> ZR{}, ZI{}, S{}, CX{}, CY{}, E2{};
};

TBoundedLanes::TBoundedLanes(std::int32_t Limit, std::vector<TSample>& Undecided,
                             std::size_t Batch, TStepRation& Ration)
    : FLimit(Limit), FBatch(Batch), FUndecided(Undecided), FStepRation(Ration),
      FLanes(std::make_unique<TLanes>()) {}

TBoundedLanes::~TBoundedLanes() = default;

bool TBoundedLanes::Load(int J, const TSample& Sample, TLaneBook& Book) {
  if (!(Abs(Sample.X) <= MaxCoordinate && Abs(Sample.Y) <= MaxCoordinate) ||
      !FStepRation.Grants()) {
    FUndecided.push_back(Sample);
    return false;
  }
  const TBoundedLane Start = StartLane(Sample.X, Sample.Y);
  const TEscapeVerdict Verdict = Test(Start.ZR, Start.ZI, Start.S);
  if (Verdict == TEscapeVerdict::Outside || (Verdict == TEscapeVerdict::Inside && FLimit == 1)) {
    *Sample.Count = Verdict == TEscapeVerdict::Outside ? 1 : 0;
    return false;
  }
  if (Verdict == TEscapeVerdict::Undecided) {
    FUndecided.push_back(Sample);
    return false;
  }
  const auto K = static_cast<std::size_t>(J);
  TLanes& Lanes = *FLanes;
  Lanes.ZR[K] = Start.ZR;
  Lanes.ZI[K] = Start.ZI;
  Lanes.S[K] = Start.S;
  Lanes.CX[K] = Start.CX;
  Lanes.CY[K] = Start.CY;
  Lanes.E2[K] = Start.E2;
  Book = {true, 1, Sample, TOrbitProofTry()};
  return true;
}

// An idle lane follows c = 0 with no error, which stays at 0.
void TBoundedLanes::Idle(int J) {
  const auto K = static_cast<std::size_t>(J);
  TLanes& Lanes = *FLanes;
  Lanes.ZR[K] = Lanes.ZI[K] = Lanes.S[K] = Lanes.CX[K] = Lanes.CY[K] = Lanes.E2[K] = 0;
}

std::int32_t TBoundedLanes::Run(std::int32_t Steps) {
  TLanes& Lanes = *FLanes;
  TDouble2 ZR[Registers], ZI[Registers], S[Registers], XX[Registers], YY[Registers], M[Registers];
  for (int K = 0; K < Registers; ++K) {
    ZR[K] = Load2(&Lanes.ZR[2 * K]);
    ZI[K] = Load2(&Lanes.ZI[2 * K]);
    S[K] = Load2(&Lanes.S[2 * K]);
  }
  std::int32_t Done = 0;
  FCheapTestFailed = false;
  for (;;) {
    TMask2 Failed = {0, 0};
    for (int K = 0; K < Registers; ++K) {
      XX[K] = ZR[K] * ZR[K];
      YY[K] = ZI[K] * ZI[K];
      M[K] = SquareSum(XX[K], YY[K]);
      Failed |= CheapTestFails(S[K], M[K]);
    }
    // The states a run starts from were tested already.
    if (Done > 0 && (Failed[0] | Failed[1]) != 0) {
      FCheapTestFailed = true;
      break;
    }
    if (Done == Steps)
      break;
    for (int K = 0; K < Registers; ++K)
      StepLanes(ZR[K], ZI[K], S[K], XX[K], YY[K], M[K], &Lanes.CX[2 * K], &Lanes.CY[2 * K],
                &Lanes.E2[2 * K]);
    ++Done;
  }
  for (int K = 0; K < Registers; ++K) {
    Store2(&Lanes.ZR[2 * K], ZR[K]);
    Store2(&Lanes.ZI[2 * K], ZI[K]);
    Store2(&Lanes.S[2 * K], S[K]);
  }
  return Done;
}

bool TBoundedLanes::Finish(int J, TLaneBook& Book, std::int32_t Done) {
  const auto K = static_cast<std::size_t>(J);
  const TLanes& Lanes = *FLanes;
  Book.N += Done;
  if (FCheapTestFailed) {
    const TEscapeVerdict Verdict = Test(Lanes.ZR[K], Lanes.ZI[K], Lanes.S[K]);
    if (Verdict == TEscapeVerdict::Outside) {
      *Book.Sample.Count = Book.N;
      FStepRation.Record(true, StepWorth * Book.N);
      return true;
    }
    if (Verdict == TEscapeVerdict::Undecided) {
      FUndecided.push_back(Book.Sample);
      FStepRation.Record(false, Book.N);
      return true;
    }
  }
  if (Book.N == FLimit) {
    *Book.Sample.Count = 0;
    FStepRation.Record(true, StepWorth * Book.N);
    return true;
  }
  if (Book.Proof.TryAt(Book.N, FProofRation, Book.Sample.X, Book.Sample.Y, Lanes.ZR[K],
                       Lanes.ZI[K], static_cast<double>(SqrtUp(TBound(Lanes.S[K]))))) {
    *Book.Sample.Count = 0;
    FStepRation.Record(true, StepWorth * FLimit);
    return true;
  }
  return false;
}

TBoundedLane StartBoundedLane(TExtended X, TExtended Y) {
  const TRoundUpward Upward;
  return StartLane(X, Y);
}

TEscapeVerdict TestBoundedLane(const TBoundedLane& Lane, bool& CheapInside) {
  const TRoundUpward Upward;
  const TDouble2 X = {Lane.ZR, Lane.ZR}, Y = {Lane.ZI, Lane.ZI};
  const TDouble2 M = SquareSum(X * X, Y * Y);
  CheapInside = CheapTestFails(TDouble2{Lane.S, Lane.S}, M)[0] == 0;
  return Test(Lane.ZR, Lane.ZI, Lane.S);
}

TBoundedLane StepBoundedLane(const TBoundedLane& Lane) {
  const TRoundUpward Upward;
  alignas(16) const double CX[2] = {Lane.CX, Lane.CX}, CY[2] = {Lane.CY, Lane.CY},
                           E2[2] = {Lane.E2, Lane.E2};
  TDouble2 ZR = {Lane.ZR, Lane.ZR}, ZI = {Lane.ZI, Lane.ZI}, S = {Lane.S, Lane.S};
  const TDouble2 XX = ZR * ZR, YY = ZI * ZI;
  StepLanes(ZR, ZI, S, XX, YY, SquareSum(XX, YY), CX, CY, E2);
  TBoundedLane Next = Lane;
  Next.ZR = ZR[0];
  Next.ZI = ZI[0];
  Next.S = S[0];
  return Next;
}
