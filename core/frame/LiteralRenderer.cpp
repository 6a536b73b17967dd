#include "Frame.h"
#include "IsInSet.h"
#include "RenderMandelbrot.h"

TFrame RenderFrameLiteral(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                          std::int32_t Width, std::int32_t Height) {
  TCountGrid Grid(Width, Height);
  const TFrameGeometry Frame(TopLeft, BottomRight, Grid);
  for (std::int32_t I = 0; I < Grid.Columns(); ++I)
    for (std::int32_t J = 0; J < Grid.Rows(); ++J) {
      std::int32_t Count = 0;
      const bool Inside = IsInSet({Frame.X[static_cast<std::size_t>(I)],
                                   Frame.Y[static_cast<std::size_t>(J)]},
                                  Frame.Limit, Count);
      Grid.At(I, J) = Inside ? 0 : Count;
    }
  const TCountRange Range = CountRange(Grid);
  return {PaintCountGrid(Grid, Range), Frame.Limit, Range.Min, Range.Max};
}
