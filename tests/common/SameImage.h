#pragma once

#include "Bitmap.h"

#include <QImage>

// Does a shown or grabbed image hold exactly the bitmap's pixels?
inline bool SameImage(const QImage& Shown, const TBitmap& Bitmap) {
  if (Shown.width() != Bitmap.Width() || Shown.height() != Bitmap.Height())
    return false;
  const QImage Rgb = Shown.convertToFormat(QImage::Format_RGB32);
  for (int Y = 0; Y < Bitmap.Height(); ++Y)
    for (int X = 0; X < Bitmap.Width(); ++X) {
      const TColor C = Bitmap.Pixel(X, Y);
      if (Rgb.pixel(X, Y) != qRgb(C & 0xFF, (C >> 8) & 0xFF, C >> 16))
        return false;
    }
  return true;
}
