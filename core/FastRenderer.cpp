#include "RenderMandelbrot.h"

TFrame RenderFrame(const TExtPoint& TopLeft, const TExtPoint& BottomRight, std::int32_t Width,
                   std::int32_t Height, const TRenderOptions& Options) {
  (void)Options;
  return RenderFrameLiteral(TopLeft, BottomRight, Width, Height);
}

TBitmap RenderMandelbrot(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                         std::int32_t Width, std::int32_t Height) {
  return RenderFrame(TopLeft, BottomRight, Width, Height).Image;
}
