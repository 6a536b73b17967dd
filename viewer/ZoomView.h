#pragma once

#include "Bitmap.h"
#include "Extended.h"

#include <cstdint>

// A view as the viewer keeps it: its top, left and bottom edges. The right
// edge follows from the image's aspect ratio (ViewRight).
struct TViewEdges {
  TExtended Top = 0;
  TExtended Left = 0;
  TExtended Bottom = 0;
};

// A view that was left by a zoom, with its image and the rectangle selected
// in it (normalised, in that image's pixels, possibly beyond its edges).
struct TBitmapDetail {
  TExtended ViewTop = 0;
  TExtended ViewLeft = 0;
  TExtended ViewBottom = 0;
  TBitmap Bitmap;
  std::int32_t StartX = 0, StartY = 0;
  std::int32_t EndX = 0, EndY = 0;
};

// The view that a zoom into a rectangle of View's image, Height pixels
// high, leads to: the rectangle's rows StartY and EndY give the new top and
// bottom, its left column StartX the new left edge.
TViewEdges ZoomedView(const TViewEdges& View, std::int32_t Height, std::int32_t StartX,
                      std::int32_t StartY, std::int32_t EndY);

// A copy of Image with the rectangle framed in white: rubber bands and the
// frame shown after going back live on such copies, never on a view's own
// image.
TBitmap WithWhiteFrame(TBitmap Image, int Left, int Top, int Right, int Bottom);
