#include "Frame.h"

#include "IterationLimit.h"
#include "Palette.h"

#include <algorithm>

TFrameGeometry::TFrameGeometry(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                               const TCountGrid& Grid)
    : Limit(IterationLimit(TopLeft.Y - BottomRight.Y)),
      DX((BottomRight.X - TopLeft.X) / (Grid.FrameColumns() - 1)),
      DY((TopLeft.Y - BottomRight.Y) / (Grid.FrameRows() - 1)),
      X(static_cast<std::size_t>(Grid.Columns())), Y(static_cast<std::size_t>(Grid.Rows())) {
  for (std::int32_t I = 0; I < Grid.Columns(); ++I)
    X[static_cast<std::size_t>(I)] = (Grid.FirstColumn() + I) * DX + TopLeft.X;
  for (std::int32_t J = 0; J < Grid.Rows(); ++J)
    Y[static_cast<std::size_t>(J)] = TopLeft.Y - (Grid.FirstRow() + J) * DY;
}

TCountRange CountRange(const TCountGrid& Grid) {
  TCountRange Range{NoMinCount, NoMaxCount};
  for (std::int32_t I = 0; I < Grid.Columns(); ++I)
    for (std::int32_t J = 0; J < Grid.Rows(); ++J)
      if (const std::int32_t Count = Grid.At(I, J); Count != 0) {
        Range.Min = std::min(Range.Min, Count);
        Range.Max = std::max(Range.Max, Count);
      }
  return Range;
}

TBitmap PaintCountGrid(const TCountGrid& Grid, const TCountRange& Range) {
  const TPalette Palette = BuildPalette(Range.Min, Range.Max);
  TBitmap Image(Grid.Columns() - 1, Grid.Rows() - 1);
  // The last column and row lie outside the image; SetPixel drops them.
  for (std::int32_t I = 0; I < Grid.Columns(); ++I)
    for (std::int32_t J = 0; J < Grid.Rows(); ++J) {
      const std::int32_t Count = Grid.At(I, J);
      Image.SetPixel(I, J, Count == 0 ? clBlack : Palette[static_cast<std::size_t>(Count)]);
    }
  return Image;
}
