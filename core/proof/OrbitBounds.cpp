// Orbits in doubles, each with a bound of its distance from the literal
// loop's 80-bit orbit of the same point; FastPaths.md derives every bound
// used here.
//
// The lanes run with upward rounding, so that every sum and product of
// non-negative bounds rounds up; the file is built with -frounding-math.

#include "OrbitBounds.h"

#include "ProofBounds.h"
#include "BoxProof.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

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
// Points farther out escape at the first iteration or the second; they, and
// anything not a number, go to the exact kernel.
constexpr double MaxCoordinate = 4;

// What the escape test does for every orbit within sqrt(S) of (X, Y).
TEscapeVerdict Test(double X, double Y, double S) {
  const double M = X * X + Y * Y;
  const double R = std::sqrt(S);
  if (SurelyInsideWithin(std::sqrt(M), R) || S * TestFactor + M <= TestBelow)
    return TEscapeVerdict::Inside;
  return SurelyOutsideBeyond(std::fabs(X), std::fabs(Y), R) ? TEscapeVerdict::Outside
                                                            : TEscapeVerdict::Undecided;
}

// A lane's first state, at z_1 = c: w_1 = C, c rounded to double, and r_1
// bounded by the rounding; the step error E of every step is kept squared,
// with its factor.
TBoundedLane StartLane(TExtended X, TExtended Y) {
  const double CX = static_cast<double>(X), CY = static_cast<double>(Y);
  const double RX = DiffUp(X, TExtended{CX}), RY = DiffUp(Y, TExtended{CY});
  const double R = RX + RY;
  const double E = DoubleOrbitStepError(CX, CY, RX, RY);
  return {CX, CY, R * R, CX, CY, E * E * ErrorFactor};
}

// The lanes' cheap test, for two lanes at once: all bits set where it fails.
inline __m128d CheapTestFails(__m128d S, __m128d M) {
  return _mm_cmpnle_pd(_mm_add_pd(_mm_mul_pd(S, _mm_set1_pd(TestFactor)), M),
                       _mm_set1_pd(TestBelow));
}

// One step of two lanes, from their squares XX, YY and M = XX + YY: the
// bound first, since it needs the old |w|^2, then the orbit.
inline void StepLanes(__m128d& ZR, __m128d& ZI, __m128d& S, __m128d XX, __m128d YY, __m128d M,
                      const double* CX, const double* CY, const double* E2) {
  const __m128d Gain = _mm_add_pd(_mm_mul_pd(M, _mm_set1_pd(SquareFactor)),
                                  _mm_mul_pd(S, _mm_set1_pd(RadiusFactor)));
  S = _mm_add_pd(_mm_mul_pd(S, Gain), _mm_load_pd(E2));
  const __m128d Twice = _mm_add_pd(ZR, ZR);
  ZR = _mm_add_pd(_mm_sub_pd(XX, YY), _mm_load_pd(CX));
  ZI = _mm_add_pd(_mm_mul_pd(Twice, ZI), _mm_load_pd(CY));
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
  if (!(std::fabs(Sample.X) <= MaxCoordinate && std::fabs(Sample.Y) <= MaxCoordinate) ||
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
  __m128d ZR[Registers], ZI[Registers], S[Registers], XX[Registers], YY[Registers], M[Registers];
  for (int K = 0; K < Registers; ++K) {
    ZR[K] = _mm_load_pd(&Lanes.ZR[2 * K]);
    ZI[K] = _mm_load_pd(&Lanes.ZI[2 * K]);
    S[K] = _mm_load_pd(&Lanes.S[2 * K]);
  }
  std::int32_t Done = 0;
  FCheapTestFailed = false;
  for (;;) {
    __m128d Failed = _mm_setzero_pd();
    for (int K = 0; K < Registers; ++K) {
      XX[K] = _mm_mul_pd(ZR[K], ZR[K]);
      YY[K] = _mm_mul_pd(ZI[K], ZI[K]);
      M[K] = _mm_add_pd(XX[K], YY[K]);
      Failed = _mm_or_pd(Failed, CheapTestFails(S[K], M[K]));
    }
    // The states a run starts from were tested already.
    if (Done > 0 && _mm_movemask_pd(Failed) != 0) {
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
    _mm_store_pd(&Lanes.ZR[2 * K], ZR[K]);
    _mm_store_pd(&Lanes.ZI[2 * K], ZI[K]);
    _mm_store_pd(&Lanes.S[2 * K], S[K]);
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
      FStepRation.Record(true, Book.N);
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
    FStepRation.Record(true, Book.N);
    return true;
  }
  if (Book.Proof.TryAt(Book.N, FProofRation, Book.Sample.X, Book.Sample.Y, Lanes.ZR[K],
                       Lanes.ZI[K], std::sqrt(Lanes.S[K]))) {
    *Book.Sample.Count = 0;
    FStepRation.Record(true, FLimit);
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
  const __m128d X = _mm_set1_pd(Lane.ZR), Y = _mm_set1_pd(Lane.ZI);
  const __m128d M = _mm_add_pd(_mm_mul_pd(X, X), _mm_mul_pd(Y, Y));
  CheapInside = _mm_movemask_pd(CheapTestFails(_mm_set1_pd(Lane.S), M)) == 0;
  return Test(Lane.ZR, Lane.ZI, Lane.S);
}

TBoundedLane StepBoundedLane(const TBoundedLane& Lane) {
  const TRoundUpward Upward;
  alignas(16) const double CX[2] = {Lane.CX, Lane.CX}, CY[2] = {Lane.CY, Lane.CY},
                           E2[2] = {Lane.E2, Lane.E2};
  __m128d ZR = _mm_set1_pd(Lane.ZR), ZI = _mm_set1_pd(Lane.ZI), S = _mm_set1_pd(Lane.S);
  const __m128d XX = _mm_mul_pd(ZR, ZR), YY = _mm_mul_pd(ZI, ZI);
  StepLanes(ZR, ZI, S, XX, YY, _mm_add_pd(XX, YY), CX, CY, E2);
  TBoundedLane Next = Lane;
  Next.ZR = _mm_cvtsd_f64(ZR);
  Next.ZI = _mm_cvtsd_f64(ZI);
  Next.S = _mm_cvtsd_f64(S);
  return Next;
}
