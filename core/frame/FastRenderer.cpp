#include "Axis.h"
#include "Frame.h"
#include "IsInSet.h"
#include "Kernel.h"
#include "Raise.h"
#include "RenderMandelbrot.h"
#include "TileProver.h"
#include "WorkQueue.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>
#ifndef GORVANEL_NO_THREADS
#include <exception>
#include <mutex>
#include <thread>
#endif

namespace {

#ifdef GORVANEL_NO_THREADS

// Where there are no threads (WebAssembly), the caller's thread does all the
// work: the page runs several workers, each on bands of its own.
int ThreadCount(int) { return 1; }
template <class TWork> void RunOnThreads(int, TWork Work) { Work(); }

#else

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

#endif

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
// every thread proving. A piece of a frame (the page computes frames in
// pieces) is judged as its frame: its share of unique columns and rows,
// spread over the frame's, so that the pieces of one frame agree.
std::int64_t UniqueAlong(const TAxis& Axis, std::int32_t FrameSize) {
  return static_cast<std::int64_t>(Axis.Unique.size()) * FrameSize /
         static_cast<std::int64_t>(Axis.Source.size());
}
bool ProofsPay(std::int32_t Limit, const TFastFrame& Frame, const TProofOptions& Proof) {
  constexpr std::int32_t MinLimit = 1000;
  const auto MinSamples = static_cast<std::int64_t>(Proof.TileSize) * Proof.TileSize;
  const std::int64_t Unique = UniqueAlong(Frame.Columns, Frame.Grid.FrameColumns()) *
                              UniqueAlong(Frame.Rows, Frame.Grid.FrameRows());
  return Limit >= MinLimit && Unique >= MinSamples;
}

// The doubles follow each point rounded to a double. Where the samples lie
// closer together than that rounding (at the 80-bit floor), they cannot
// tell neighbours apart: near the set they settle almost nothing, and a
// sample tried in them costs about as much again as its exact iteration.
// Orbits attracted to a cycle are still proved, by the kernels.
bool DoublesResolve(TExtended DX, TExtended DY, const std::vector<TExtended>& X,
                    const std::vector<TExtended>& Y) {
  const TExtended Magnitude = std::max(Abs(X.front()), Abs(X.back())) +
                              std::max(Abs(Y.front()), Abs(Y.back()));
  return std::max(Abs(DX), Abs(DY)) > 0x1p-52L * Magnitude;
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
      const std::int32_t Count =
          LiteralCount(X[static_cast<std::size_t>(I)], Y[static_cast<std::size_t>(J)], Limit);
      if (Count != Grid.At(I, J))
        Raise(std::logic_error("settled sample (" + std::to_string(I) + ", " + std::to_string(J) +
                               ") has count " + std::to_string(Grid.At(I, J)) +
                               ", the literal loop gives " + std::to_string(Count)));
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

namespace {

// Settles what it can of the frame by proofs of whole tiles, on every thread.
void ProveTiles(TFastFrame& Frame, const TRenderOptions& Options) {
  TCountGrid& Grid = Frame.Grid;
  const TFrameGeometry& Geometry = Frame.Geometry;
  Frame.States.assign(static_cast<std::size_t>(Grid.Columns()) * Grid.Rows(), TSampleState::Open);
  // Tiles need neighbouring rows: mirrored rows are left out only where
  // their partner is the same bits, not across the axis.
  const TAxis TileRows = Deduplicate(Geometry.Y, false);
  TTileProver Prover({Geometry.X, Frame.Columns.Unique, Geometry.Y, TileRows.Unique, Grid,
                      Frame.States},
                     Geometry.Limit, Options.Kernel, Options.Proof);
  if (Options.Progress)
    Options.Progress->Proving = true;
  RunOnThreads(ThreadCount(Options.Threads), [&] {
    while (!Options.Stop.stop_requested() && Prover.ProveNextTile()) {
    }
  });
  if (Options.Progress)
    Options.Progress->Proving = false;
  if (Options.Stop.stop_requested())
    Raise(TRenderStopped());
  if (Options.CheckProofs)
    CheckSettled(Grid, Frame.States, Geometry.X, Geometry.Y, Geometry.Limit);
}

// Iterates every sample still open, on every thread. Where proofs pay,
// orbits are first followed in doubles with a bound.
void IterateOpenSamples(TFastFrame& Frame, const TRenderOptions& Options) {
  const TFrameGeometry& Geometry = Frame.Geometry;
  const bool Doubles = !Frame.States.empty() &&
                       DoublesResolve(Geometry.DX, Geometry.DY, Geometry.X, Geometry.Y);
  TWorkQueue Queue(Frame, Options.Progress, Options.Stop);
  RunOnThreads(ThreadCount(Options.Threads), [&] {
    TQueueFeed Feed(Queue);
    if (Doubles)
      IterateSamplesBounded(Feed, Geometry.Limit, Options.Kernel);
    else
      IterateExactly(Feed, Geometry.Limit, Options.Kernel, Options.Proofs);
  });
  if (Queue.Stopped())
    Raise(TRenderStopped());
}

// Marks every sample that no proof or probe settled as open.
void MarkOpen(TFastFrame& Frame) {
  for (const std::int32_t I : Frame.Columns.Unique)
    for (const std::int32_t J : Frame.Rows.Unique)
      if (Frame.States.empty() || !Settled(Frame.States[Frame.Grid.Index(I, J)]))
        Frame.Grid.At(I, J) = OpenCount;
}

} // namespace

std::int64_t ComputeCounts(TFastFrame& Frame, const TRenderOptions& Options) {
  if (Options.Progress)
    Options.Progress->Total =
        static_cast<std::int64_t>(Frame.Columns.Unique.size()) * Frame.Rows.Unique.size();
  // The exact kernel chosen iterates every sample that is iterated exactly:
  // the proofs' probes and the samples they leave open.
  if (Options.Proofs &&
      (Options.Proof.Always || ProofsPay(Frame.Geometry.Limit, Frame, Options.Proof)))
    ProveTiles(Frame, Options);
  if (Options.LeaveOpen)
    MarkOpen(Frame);
  else
    IterateOpenSamples(Frame, Options);
  FillRepeats(Frame.Grid, Frame.Columns, Frame.Rows);
  return Frame.States.empty() ? 0 : CountProved(Frame.States, Frame.Grid, Frame.Columns, Frame.Rows);
}

TFrame RenderFrame(const TExtPoint& TopLeft, const TExtPoint& BottomRight, std::int32_t Width,
                   std::int32_t Height, const TRenderOptions& Options) {
  if (Options.Literal)
    return RenderFrameLiteral(TopLeft, BottomRight, Width, Height);
  TFastFrame Frame(TopLeft, BottomRight, TCountGrid(Width, Height));
  const std::int64_t Proved = ComputeCounts(Frame, Options);
  const TCountRange Range = CountRange(Frame.Grid);
  return {PaintCountGrid(Frame.Grid, Range), Frame.Geometry.Limit, Range.Min, Range.Max, Proved};
}

TBitmap RenderMandelbrot(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                         std::int32_t Width, std::int32_t Height) {
  return RenderFrame(TopLeft, BottomRight, Width, Height).Image;
}
