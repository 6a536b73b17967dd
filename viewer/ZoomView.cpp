#include "ZoomView.h"

TViewEdges ZoomedView(const TViewEdges& View, std::int32_t Height, std::int32_t StartX,
                      std::int32_t StartY, std::int32_t EndY) {
  const TExtended H = Height;
  const TExtended U = (View.Top - View.Bottom) / H; // one pixel's height, from the old edges
  return {View.Top - StartY * U, StartX * U + View.Left, (H - EndY) * U + View.Bottom};
}

TBitmap WithWhiteFrame(TBitmap Image, int Left, int Top, int Right, int Bottom) {
  Image.SetBrushColor(clWhite);
  Image.FrameRect(Left, Top, Right, Bottom);
  return Image;
}
