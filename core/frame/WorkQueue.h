#pragma once

#include "Axis.h"
#include "CountGrid.h"
#include "Frame.h"
#include "RenderMandelbrot.h"
#include "Sample.h"
#include "SampleState.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

// A frame as the fast renderer works on it: its samples, each distinct
// coordinate listed once, the grid their counts go to, and what the proofs
// made of each sample (empty where no proof was tried).
struct TFastFrame {
  TFastFrame(const TExtPoint& TopLeft, const TExtPoint& BottomRight, TCountGrid Samples)
      : Grid(std::move(Samples)), Geometry(TopLeft, BottomRight, Grid),
        Columns(Deduplicate(Geometry.X, false)), Rows(Deduplicate(Geometry.Y, true)) {}

  TCountGrid Grid;
  TFrameGeometry Geometry;
  TAxis Columns, Rows;
  std::vector<TSampleState> States;
};

// Settles every sample of the frame, by proofs where they pay and by the
// kernels, as the options say; returns how many samples proofs settled.
std::int64_t ComputeCounts(TFastFrame& Frame, const TRenderOptions& Options);

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
  TWorkQueue(TFastFrame& Frame, TRenderProgress* Progress, TStopToken Stop)
      : FX(Frame.Geometry.X), FY(Frame.Geometry.Y), FColumns(Frame.Columns), FRows(Frame.Rows),
        FGrid(Frame.Grid), FStates(Frame.States), FProgress(Progress), FStop(std::move(Stop)),
        FRunsPerColumn((static_cast<std::int64_t>(FRows.Unique.size()) + RunLength - 1) /
                       RunLength),
        FTotal(static_cast<std::int64_t>(FColumns.Unique.size()) * FRunsPerColumn) {}

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
  const TStopToken FStop;
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
