#include "IsInSet.h"
#include "IterationLimit.h"
#include "Palette.h"
#include "RenderMandelbrot.h"

TBitmap PaintCountGrid(const TCountGrid& Grid, std::int32_t MinCount, std::int32_t MaxCount) {
  const TPalette Palette = BuildPalette(MinCount, MaxCount);
  TBitmap Image(Grid.Columns() - 1, Grid.Rows() - 1);
  // The last column and row lie outside the image; SetPixel drops them.
  for (std::int32_t I = 0; I < Grid.Columns(); ++I)
    for (std::int32_t J = 0; J < Grid.Rows(); ++J) {
      const std::int32_t Count = Grid.At(I, J);
      Image.SetPixel(I, J, Count == 0 ? clBlack : Palette[static_cast<std::size_t>(Count)]);
    }
  return Image;
}

TFrame RenderFrameLiteral(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                          std::int32_t Width, std::int32_t Height) {
  const TExtPoint P1 = TopLeft, P2 = BottomRight;
  const std::int32_t Limit = IterationLimit(P1.Y - P2.Y);
  TCountGrid Grid(Width, Height);
  const TExtended DX = (P2.X - P1.X) / Width;
  const TExtended DY = (P1.Y - P2.Y) / Height;
  std::int32_t MinCount = NoMinCount, MaxCount = NoMaxCount;
  for (std::int32_t I = 0; I <= Width; ++I)
    for (std::int32_t J = 0; J <= Height; ++J) {
      const TExtPoint Sample{I * DX + P1.X, P1.Y - J * DY};
      std::int32_t Count = 0;
      if (IsInSet(Sample, Limit, Count)) {
        Grid.At(I, J) = 0;
      } else {
        Grid.At(I, J) = Count;
        if (Count < MinCount)
          MinCount = Count;
        if (Count > MaxCount)
          MaxCount = Count;
      }
    }
  return {PaintCountGrid(Grid, MinCount, MaxCount), Limit, MinCount, MaxCount};
}
