#include "Frame.h"
#include "Kernel.h"
#include "IsInSet.h"
#include "OrbitBounds.h"
#include "TileProver.h"
#include "RenderMandelbrot.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The 80 significant bits of an extended real, for exact comparison (the
// other 48 bits of a long double are padding with no fixed content).
struct TBits {
  std::uint64_t Significand = 0;
  std::uint16_t SignExponent = 0;
  auto operator<=>(const TBits&) const = default;
};

TBits BitsOf(TExtended Value) {
  unsigned char Raw[sizeof(TExtended)];
  std::memcpy(Raw, &Value, sizeof Raw);
  TBits Bits;
  std::memcpy(&Bits.Significand, Raw, 8);
  std::memcpy(&Bits.SignExponent, Raw + 8, 2);
  return Bits;
}

// Sample coordinates that repeat (to the bit, or for rows also as exact
// negatives) are computed once; see FastPaths.md for why that is exact.
// Source[k] is the first index whose value stands for index k; Unique lists
// those first indices in order.
struct TAxis {
  std::vector<std::int32_t> Source;
  std::vector<std::int32_t> Unique;
};

TAxis Deduplicate(const std::vector<TExtended>& Values, bool MirrorSign) {
  TAxis Axis;
  Axis.Source.resize(Values.size());
  std::map<TBits, std::int32_t> First;
  for (std::size_t K = 0; K < Values.size(); ++K) {
    TBits Key = BitsOf(Values[K]);
    if (MirrorSign)
      Key.SignExponent &= 0x7FFF;
    const auto [It, Inserted] = First.try_emplace(Key, static_cast<std::int32_t>(K));
    Axis.Source[K] = It->second;
    if (Inserted)
      Axis.Unique.push_back(static_cast<std::int32_t>(K));
  }
  return Axis;
}

// Hands out the unique samples in short runs down one column each, so
// threads that land in the black regions do not hold up the others.
class TWorkQueue {
public:
  static constexpr std::int64_t RunLength = 32;

  struct TRun {
    std::int32_t Column;           // index into the unique columns
    std::int64_t RowBegin, RowEnd; // range of the unique rows
  };

  // Samples that the proofs settled or probed (when States is not empty) are
  // skipped.
  TWorkQueue(const std::vector<TExtended>& X, const std::vector<TExtended>& Y, const TAxis& Columns,
             const TAxis& Rows, TCountGrid& Grid, const std::vector<TSampleState>& States,
             TRenderProgress* Progress, std::stop_token Stop)
      : FX(X), FY(Y), FColumns(Columns), FRows(Rows), FGrid(Grid), FStates(States),
        FProgress(Progress), FStop(std::move(Stop)),
        FRunsPerColumn((static_cast<std::int64_t>(Rows.Unique.size()) + RunLength - 1) / RunLength),
        FTotal(static_cast<std::int64_t>(Columns.Unique.size()) * FRunsPerColumn) {}

  // True once the render was asked to stop: no sample is handed out then.
  bool Stopped() const { return FStop.stop_requested(); }

  // Claims the next run; false when none is left.
  bool Claim(TRun& Run) {
    const std::int64_t Number = FNext.fetch_add(1, std::memory_order_relaxed);
    if (Number >= FTotal)
      return false;
    Run.Column = static_cast<std::int32_t>(Number / FRunsPerColumn);
    Run.RowBegin = Number % FRunsPerColumn * RunLength;
    Run.RowEnd = std::min<std::int64_t>(Run.RowBegin + RunLength, FRows.Unique.size());
    if (FProgress)
      FProgress->Done.fetch_add(Run.RowEnd - Run.RowBegin, std::memory_order_relaxed);
    return true;
  }

  // The sample at a place of the queue; false when it is already settled.
  bool Sample(std::int32_t Column, std::int64_t Row, TSample& Sample) const {
    const std::int32_t I = FColumns.Unique[static_cast<std::size_t>(Column)];
    const std::int32_t J = FRows.Unique[static_cast<std::size_t>(Row)];
    if (!FStates.empty() && Settled(FStates[FGrid.Index(I, J)]))
      return false;
    Sample = {FX[static_cast<std::size_t>(I)], FY[static_cast<std::size_t>(J)], &FGrid.At(I, J)};
    return true;
  }

private:
  const std::vector<TExtended>& FX;
  const std::vector<TExtended>& FY;
  const TAxis& FColumns;
  const TAxis& FRows;
  TCountGrid& FGrid;
  const std::vector<TSampleState>& FStates;
  TRenderProgress* const FProgress;
  const std::stop_token FStop;
  const std::int64_t FRunsPerColumn;
  const std::int64_t FTotal;
  std::atomic<std::int64_t> FNext{0};
};

// One thread's view of the queue.
class TQueueFeed : public TSampleFeed {
public:
  explicit TQueueFeed(TWorkQueue& Queue) : FQueue(Queue) {}
  bool Stopped() const override { return FQueue.Stopped(); }
  bool Next(TSample& Sample) override {
    if (FQueue.Stopped())
      return false;
    for (;;) {
      if (FRun.RowBegin == FRun.RowEnd && !FQueue.Claim(FRun))
        return false;
      if (FQueue.Sample(FRun.Column, FRun.RowBegin++, Sample))
        return true;
    }
  }

private:
  TWorkQueue& FQueue;
  TWorkQueue::TRun FRun{0, 0, 0};
};

int ThreadCount(int Requested) {
  if (Requested > 0)
    return Requested;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// Runs Work on the calling thread and Count - 1 helpers, and waits for all.
// Helpers inherit the caller's scheduling policy and nice value, so a caller
// that lowered its priority for the render has lowered theirs too. The first
// exception from any thread is rethrown here, after all have finished.
template <class TWork> void RunOnThreads(int Count, TWork Work) {
  std::exception_ptr Failure;
  std::mutex FailureLock;
  auto Guarded = [&] {
    try {
      Work();
    } catch (...) {
      const std::lock_guard Lock(FailureLock);
      if (!Failure)
        Failure = std::current_exception();
    }
  };
  std::vector<std::jthread> Helpers;
  for (int K = 1; K < Count; ++K) {
    try {
      Helpers.emplace_back(Guarded);
    } catch (const std::system_error&) {
      break; // fewer threads is slower, never wrong
    }
  }
  Guarded();
  Helpers.clear(); // joins
  if (Failure)
    std::rethrow_exception(Failure);
}

void FillRepeats(TCountGrid& Grid, const TAxis& Columns, const TAxis& Rows) {
  for (std::int32_t I = 0; I < Grid.Columns(); ++I)
    for (std::int32_t J = 0; J < Grid.Rows(); ++J)
      Grid.At(I, J) = Grid.At(Columns.Source[static_cast<std::size_t>(I)],
                              Rows.Source[static_cast<std::size_t>(J)]);
}

// Proofs pay where samples are many and may iterate long: at the lowest limit
// a sample costs little more than a proof step, and a view whose samples
// mostly repeat (a flat drag, or a view past the 80-bit resolution) has
// fewer than one first tile of them to compute: too few to repay what the
// proofs and their rations spend on learning where they fail, or to keep
// every thread proving.
bool ProofsPay(std::int32_t Limit, const TAxis& Columns, const TAxis& Rows,
               const TProofOptions& Proof) {
  constexpr std::int32_t MinLimit = 1000;
  const auto MinSamples = static_cast<std::size_t>(Proof.TileSize) * Proof.TileSize;
  return Limit >= MinLimit && Columns.Unique.size() * Rows.Unique.size() >= MinSamples;
}

// The doubles follow each point rounded to a double. Where the samples lie
// closer together than that rounding (at the 80-bit floor), they cannot
// tell neighbours apart: near the set they settle almost nothing, and a
// sample tried in them costs about as much again as its exact iteration.
// Orbits attracted to a cycle are still proved, by the kernels.
bool DoublesResolve(TExtended DX, TExtended DY, const std::vector<TExtended>& X,
                    const std::vector<TExtended>& Y) {
  const TExtended Magnitude = std::max(std::fabs(X.front()), std::fabs(X.back())) +
                              std::max(std::fabs(Y.front()), std::fabs(Y.back()));
  return std::max(std::fabs(DX), std::fabs(DY)) > 0x1p-52L * Magnitude;
}

// The test-only check of the proofs: every settled sample again by the
// literal loop.
void CheckSettled(const TCountGrid& Grid, const std::vector<TSampleState>& States,
                  const std::vector<TExtended>& X, const std::vector<TExtended>& Y,
                  std::int32_t Limit) {
  for (std::int32_t I = 0; I < Grid.Columns(); ++I)
    for (std::int32_t J = 0; J < Grid.Rows(); ++J) {
      if (!Settled(States[Grid.Index(I, J)]))
        continue;
      std::int32_t Count = 0;
      if (IsInSet({X[static_cast<std::size_t>(I)], Y[static_cast<std::size_t>(J)]}, Limit, Count))
        Count = 0;
      if (Count != Grid.At(I, J))
        throw std::logic_error("settled sample (" + std::to_string(I) + ", " + std::to_string(J) +
                               ") has count " + std::to_string(Grid.At(I, J)) +
                               ", the literal loop gives " + std::to_string(Count));
    }
}

// Samples whose count came from a proof, directly or through a repeat.
std::int64_t CountProved(const std::vector<TSampleState>& States, const TCountGrid& Grid,
                         const TAxis& Columns, const TAxis& Rows) {
  std::int64_t Proved = 0;
  for (const std::int32_t Source : Columns.Source)
    for (const std::int32_t Row : Rows.Source)
      Proved += States[Grid.Index(Source, Row)] == TSampleState::Proved;
  return Proved;
}

} // namespace

TFrame RenderFrame(const TExtPoint& TopLeft, const TExtPoint& BottomRight, std::int32_t Width,
                   std::int32_t Height, const TRenderOptions& Options) {
  if (Options.Literal)
    return RenderFrameLiteral(TopLeft, BottomRight, Width, Height);
  TCountGrid Grid(Width, Height);
  const TFrameGeometry Frame(TopLeft, BottomRight, Grid);
  const std::vector<TExtended>& X = Frame.X;
  const std::vector<TExtended>& Y = Frame.Y;
  const std::int32_t Limit = Frame.Limit;
  const TAxis Columns = Deduplicate(X, false);
  const TAxis Rows = Deduplicate(Y, true);

  // First whole tiles by proofs, then every sample still open by the kernels;
  // the exact kernel chosen iterates every sample that is iterated exactly.
  const TExactKernel Exact = Options.PortableKernel ? IterateSamplesPortable : IterateSamples;
  if (Options.Progress)
    Options.Progress->Total = static_cast<std::int64_t>(Columns.Unique.size()) * Rows.Unique.size();
  std::vector<TSampleState> States;
  if (Options.Proofs && (Options.Proof.Always || ProofsPay(Limit, Columns, Rows, Options.Proof))) {
    States.assign(static_cast<std::size_t>(Grid.Columns()) * Grid.Rows(), TSampleState::Open);
    // Tiles need neighbouring rows: mirrored rows are left out only where
    // their partner is the same bits, not across the axis.
    const TAxis TileRows = Deduplicate(Y, false);
    TTileProver Prover(X, Columns.Unique, Y, TileRows.Unique, Limit, Grid, States, Exact,
                         Options.Proof);
    if (Options.Progress)
      Options.Progress->Proving = true;
    RunOnThreads(ThreadCount(Options.Threads), [&] {
      while (!Options.Stop.stop_requested() && Prover.ProveNextTile()) {
      }
    });
    if (Options.Stop.stop_requested())
      throw TRenderStopped();
    if (Options.CheckProofs)
      CheckSettled(Grid, States, X, Y, Limit);
  }
  if (Options.Progress)
    Options.Progress->Proving = false;
  TWorkQueue Queue(X, Y, Columns, Rows, Grid, States, Options.Progress, Options.Stop);
  RunOnThreads(ThreadCount(Options.Threads), [&] {
    TQueueFeed Feed(Queue);
    // Where proofs pay, orbits are first followed in doubles with a bound.
    if (!States.empty() && DoublesResolve(Frame.DX, Frame.DY, X, Y))
      IterateSamplesBounded(Feed, Limit, Exact);
    else
      Exact(Feed, Limit, Options.Proofs);
  });
  if (Queue.Stopped())
    throw TRenderStopped();
  FillRepeats(Grid, Columns, Rows);
  const std::int64_t Proved = States.empty() ? 0 : CountProved(States, Grid, Columns, Rows);

  const TCountRange Range = CountRange(Grid);
  return {PaintCountGrid(Grid, Range), Limit, Range.Min, Range.Max, Proved};
}

TBitmap RenderMandelbrot(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                         std::int32_t Width, std::int32_t Height) {
  return RenderFrame(TopLeft, BottomRight, Width, Height).Image;
}
