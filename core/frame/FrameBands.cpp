#include "FrameBands.h"

#include "Frame.h"
#include "WorkQueue.h"

#include <utility>

std::vector<std::int32_t> RenderCountPiece(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                                           std::int32_t Width, std::int32_t Height,
                                           const TGridPiece& Piece, const TRenderOptions& Options) {
  TFastFrame Frame(TopLeft, BottomRight, TCountGrid(Width, Height, Piece));
  ComputeCounts(Frame, Options);
  const TCountGrid& Grid = Frame.Grid;
  std::vector<std::int32_t> Counts(static_cast<std::size_t>(Grid.Columns()) * Grid.Rows());
  for (std::int32_t J = 0; J < Grid.Rows(); ++J)
    for (std::int32_t I = 0; I < Grid.Columns(); ++I)
      Counts[static_cast<std::size_t>(J) * Grid.Columns() + I] = Grid.At(I, J);
  return Counts;
}

TFrameAxes FrameAxes(const TExtPoint& TopLeft, const TExtPoint& BottomRight, std::int32_t Width,
                     std::int32_t Height) {
  TFrameGeometry Geometry(TopLeft, BottomRight, TCountGrid(Width, Height));
  return {Geometry.Limit, std::move(Geometry.X), std::move(Geometry.Y)};
}

TBitmap PaintCounts(const std::int32_t* Counts, std::int32_t Width, std::int32_t Height) {
  TCountGrid Grid(Width, Height);
  for (std::int32_t J = 0; J < Grid.Rows(); ++J)
    for (std::int32_t I = 0; I < Grid.Columns(); ++I)
      Grid.At(I, J) = Counts[static_cast<std::size_t>(J) * Grid.Columns() + I];
  return PaintCountGrid(Grid, CountRange(Grid));
}
