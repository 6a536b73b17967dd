// Orbits in doubles, each with a bound of its distance from the literal
// loop's 80-bit orbit of the same point; FastPaths.md derives every bound
// used here.
//
// The lanes run with upward rounding, so that every sum and product of
// non-negative bounds rounds up; the file is built with -frounding-math, and
// the exact kernel that takes the undecided samples runs only after the
// caller's rounding is back.

#include "OrbitBounds.h"

#include "ProofBounds.h"
#include "ProofRation.h"
#include "TileProof.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Registers of two orbits each in flight; four hide the latency of a step.
constexpr int Registers = 2;
constexpr int LaneCount = 2 * Registers;

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

enum class TVerdict { Inside, Outside, Undecided };

// What the escape test does for every orbit within sqrt(S) of (X, Y).
TVerdict Test(double X, double Y, double S) {
  const double M = X * X + Y * Y;
  const double R = std::sqrt(S);
  const double Outer = std::sqrt(M) + R;
  if (Outer * Outer <= SurelyInside || S * TestFactor + M <= TestBelow)
    return TVerdict::Inside;
  // Lower bound of |w|^2, from rounded-up negatives.
  const double AX = std::fabs(X), AY = std::fabs(Y);
  const double Low = -((-AX) * AX + (-AY) * AY);
  const double Inner = R + SurelyOutside;
  return Low >= Inner * Inner ? TVerdict::Outside : TVerdict::Undecided;
}

struct alignas(16) TLanes {
  std::array<double, LaneCount> ZR{}, ZI{}, S{}, CX{}, CY{}, E2{};
};

struct TLaneBook {
  bool Active = false;
  std::int32_t N = 0; // iterations done: z_N is the lane's tested z
  std::int32_t NextProof = 0;
  TSample Sample;
};

class TLaneRunner {
public:
  TLaneRunner(TSampleFeed& Feed, std::int32_t Limit, std::vector<TSample>& Undecided,
              TStepRation& StepRation)
      : FFeed(Feed), FLimit(Limit), FUndecided(Undecided), FStepRation(StepRation) {}

  // Runs the lanes until every sample is settled or undecided, or until
  // Batch samples wait undecided; returns whether any lane is left.
  bool Run(std::size_t Batch) {
    if (!FStarted) {
      FStarted = true;
      for (int J = 0; J < LaneCount; ++J)
        FActive += Load(J);
    }
    while (FActive > 0 && FUndecided.size() < Batch) {
      std::int32_t Steps = std::numeric_limits<std::int32_t>::max();
      for (const TLaneBook& Book : FBooks)
        if (Book.Active)
          Steps = std::min(Steps, std::min(FLimit, Book.NextProof) - Book.N);
      const bool Stopped = RunSteps(Steps);
      for (int J = 0; J < LaneCount; ++J)
        if (FBooks[static_cast<std::size_t>(J)].Active && Settle(J, Steps, Stopped))
          FActive += Load(J) - 1;
    }
    return FActive > 0;
  }

private:
  // Gives lane J its next sample, at z_1 = c, already tested.
  bool Load(int J) {
    TLaneBook& Book = FBooks[static_cast<std::size_t>(J)];
    const auto K = static_cast<std::size_t>(J);
    TSample Sample;
    while (FFeed.Next(Sample)) {
      if (!(std::fabs(Sample.X) <= MaxCoordinate && std::fabs(Sample.Y) <= MaxCoordinate) ||
          !FStepRation.Grants()) {
        FUndecided.push_back(Sample);
        continue;
      }
      const double CX = static_cast<double>(Sample.X), CY = static_cast<double>(Sample.Y);
      const double RX = DiffUp(Sample.X, TExtended{CX}), RY = DiffUp(Sample.Y, TExtended{CY});
      const double R = RX + RY;
      const double E = DoubleOrbitStepError(CX, CY, RX, RY);
      const TVerdict Verdict = Test(CX, CY, R * R);
      if (Verdict == TVerdict::Outside || (Verdict == TVerdict::Inside && FLimit == 1)) {
        *Sample.Count = Verdict == TVerdict::Outside ? 1 : 0;
        continue;
      }
      if (Verdict == TVerdict::Undecided) {
        FUndecided.push_back(Sample);
        continue;
      }
      FLanes.ZR[K] = FLanes.CX[K] = CX;
      FLanes.ZI[K] = FLanes.CY[K] = CY;
      FLanes.S[K] = R * R;
      FLanes.E2[K] = E * E * ErrorFactor;
      Book = {true, 1, OrbitProofAt, Sample};
      return true;
    }
    // An idle lane follows c = 0 with no error, which stays at 0.
    FLanes.ZR[K] = FLanes.ZI[K] = FLanes.S[K] = FLanes.CX[K] = FLanes.CY[K] = FLanes.E2[K] = 0;
    Book = TLaneBook{};
    return false;
  }

  // Runs every lane Steps iterations on, or fewer when the cheap test fails
  // for some lane; returns whether it did, with Steps set to those run.
  bool RunSteps(std::int32_t& Steps) {
    const __m128d TestFactors = _mm_set1_pd(TestFactor), Below = _mm_set1_pd(TestBelow);
    const __m128d Squares = _mm_set1_pd(SquareFactor), Radii = _mm_set1_pd(RadiusFactor);
    __m128d ZR[Registers], ZI[Registers], S[Registers], XX[Registers], YY[Registers], M[Registers];
    for (int K = 0; K < Registers; ++K) {
      ZR[K] = _mm_load_pd(&FLanes.ZR[2 * K]);
      ZI[K] = _mm_load_pd(&FLanes.ZI[2 * K]);
      S[K] = _mm_load_pd(&FLanes.S[2 * K]);
    }
    std::int32_t Done = 0;
    bool Stopped = false;
    for (;;) {
      __m128d Failed = _mm_setzero_pd();
      for (int K = 0; K < Registers; ++K) {
        XX[K] = _mm_mul_pd(ZR[K], ZR[K]);
        YY[K] = _mm_mul_pd(ZI[K], ZI[K]);
        M[K] = _mm_add_pd(XX[K], YY[K]);
        Failed = _mm_or_pd(Failed, _mm_cmpnle_pd(_mm_add_pd(_mm_mul_pd(S[K], TestFactors), M[K]), Below));
      }
      // The states a run starts from were tested already.
      if (Done > 0 && _mm_movemask_pd(Failed) != 0) {
        Stopped = true;
        break;
      }
      if (Done == Steps)
        break;
      for (int K = 0; K < Registers; ++K) {
        const __m128d Gain = _mm_add_pd(_mm_mul_pd(M[K], Squares), _mm_mul_pd(S[K], Radii));
        S[K] = _mm_add_pd(_mm_mul_pd(S[K], Gain), _mm_load_pd(&FLanes.E2[2 * K]));
        const __m128d Twice = _mm_add_pd(ZR[K], ZR[K]);
        ZR[K] = _mm_add_pd(_mm_sub_pd(XX[K], YY[K]), _mm_load_pd(&FLanes.CX[2 * K]));
        ZI[K] = _mm_add_pd(_mm_mul_pd(Twice, ZI[K]), _mm_load_pd(&FLanes.CY[2 * K]));
      }
      ++Done;
    }
    for (int K = 0; K < Registers; ++K) {
      _mm_store_pd(&FLanes.ZR[2 * K], ZR[K]);
      _mm_store_pd(&FLanes.ZI[2 * K], ZI[K]);
      _mm_store_pd(&FLanes.S[2 * K], S[K]);
    }
    Steps = Done;
    return Stopped;
  }

  // After a run: a lane whose count is known writes it; returns whether the
  // lane is free.
  bool Settle(int J, std::int32_t Steps, bool Stopped) {
    TLaneBook& Book = FBooks[static_cast<std::size_t>(J)];
    const auto K = static_cast<std::size_t>(J);
    Book.N += Steps;
    if (Stopped) {
      const TVerdict Verdict = Test(FLanes.ZR[K], FLanes.ZI[K], FLanes.S[K]);
      if (Verdict == TVerdict::Outside) {
        *Book.Sample.Count = Book.N;
        FStepRation.Record(true, Book.N);
        return true;
      }
      if (Verdict == TVerdict::Undecided) {
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
    if (Book.N == Book.NextProof) {
      Book.NextProof = std::numeric_limits<std::int32_t>::max(); // one try only
      if (FRation.Grants()) {
        const bool Proved =
            ProveOrbitStaysInside(Book.Sample.X, Book.Sample.Y, FLanes.ZR[K], FLanes.ZI[K],
                                  OrbitProofBudget, std::sqrt(FLanes.S[K]));
        FRation.Record(Proved);
        if (Proved) {
          *Book.Sample.Count = 0;
          FStepRation.Record(true, FLimit);
          return true;
        }
      }
    }
    return false;
  }

  TSampleFeed& FFeed;
  const std::int32_t FLimit;
  std::vector<TSample>& FUndecided;
  TLanes FLanes;
  std::array<TLaneBook, LaneCount> FBooks;
  TStepRation& FStepRation;
  TProofRation FRation;
  bool FStarted = false;
  int FActive = 0;
};

// What the exact kernel is fed: the samples the lanes leave undecided, in
// batches, the lanes running (with upward rounding) only when the kernel
// wants a sample and the last batch is used up. So the kernel runs once for
// the whole feed, its lanes full to the end, and the undecided are shared
// out with the rest of the frame's samples, not left to the end.
class TUndecidedFeed : public TSampleFeed {
public:
  TUndecidedFeed(TSampleFeed& Feed, std::int32_t Limit, TStepRation& Ration)
      : FRunner(Feed, Limit, FUndecided, Ration) {}

  bool Next(TSample& Sample) override {
    if (FNext == FUndecided.size()) {
      FUndecided.clear();
      FNext = 0;
      if (FMore) {
        const TRoundUpward Upward;
        FMore = FRunner.Run(Batch);
      }
      if (FUndecided.empty())
        return false; // the lanes are through the feed
    }
    Sample = FUndecided[FNext++];
    return true;
  }

private:
  static constexpr std::size_t Batch = 64;
  std::vector<TSample> FUndecided;
  std::size_t FNext = 0;
  TLaneRunner FRunner;
  bool FMore = true;
};

} // namespace

void IterateSamplesBounded(TSampleFeed& Feed, std::int32_t Limit, TExactKernel Exact,
                           TStepRation& Ration) {
  if (Limit < 1) {
    Exact(Feed, Limit, true);
    return;
  }
  TUndecidedFeed Undecided(Feed, Limit, Ration);
  Exact(Undecided, Limit, true);
}

void IterateSamplesBounded(TSampleFeed& Feed, std::int32_t Limit, TExactKernel Exact) {
  TStepRation Ration;
  IterateSamplesBounded(Feed, Limit, Exact, Ration);
}
