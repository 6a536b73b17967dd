#include "Frame.h"
#include "IsInSet.h"
#include "RenderMandelbrot.h"

TFrame RenderFrameLiteral(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                          std::int32_t Width, std::int32_t Height) {
  TCountGrid Grid(Width, Height);
  const TFrameGeometry Frame(TopLeft, BottomRight, Grid);
  for (std::int32_t I = 0; I < Grid.Columns(); ++I)
    for (std::int32_t J = 0; J < Grid.Rows(); ++J)
      Grid.At(I, J) = LiteralCount(Frame.X[static_cast<std::size_t>(I)],
                                   Frame.Y[static_cast<std::size_t>(J)], Frame.Limit);
  const TCountRange Range = CountRange(Grid);
  return {PaintCountGrid(Grid, Range), Frame.Limit, Range.Min, Range.Max};
}
