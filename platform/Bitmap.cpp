#include "Bitmap.h"
#include "Raise.h"

#include <algorithm>
#include <stdexcept>

TBitmap::TBitmap(int Width, int Height) {
  if (Width < 0 || Height < 0)
    Raise(std::invalid_argument("TBitmap: negative size"));
  FPixels.assign(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), clBlack);
  FWidth = Width;
  FHeight = Height;
}

void TBitmap::SetPixel(int X, int Y, TColor Color) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
    return;
  FPixels[static_cast<std::size_t>(Y) * FWidth + X] = Color;
}

TColor TBitmap::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight)
    return clBlack;
  return FPixels[static_cast<std::size_t>(Y) * FWidth + X];
}

// Coordinates arrive unclamped from mouse positions far outside the image, so
// the clipping works in 64 bits where Right - 1 and friends cannot overflow.
void TBitmap::FillSpan(long long X0, long long X1, long long Y) {
  if (Y < 0 || Y >= FHeight)
    return;
  const long long From = std::max(X0, 0LL);
  const long long To = std::min(X1, static_cast<long long>(FWidth));
  for (long long X = From; X < To; ++X)
    FPixels[static_cast<std::size_t>(Y * FWidth + X)] = FBrushColor;
}

void TBitmap::FillColumn(long long X, long long Y0, long long Y1) {
  if (X < 0 || X >= FWidth)
    return;
  const long long From = std::max(Y0, 0LL);
  const long long To = std::min(Y1, static_cast<long long>(FHeight));
  for (long long Y = From; Y < To; ++Y)
    FPixels[static_cast<std::size_t>(Y * FWidth + X)] = FBrushColor;
}

void TBitmap::FrameRect(int Left, int Top, int Right, int Bottom) {
  if (Right < Left || Bottom < Top)
    return;
  const long long L = Left, T = Top;
  const long long R = std::max<long long>(Right, L + 1);
  const long long B = std::max<long long>(Bottom, T + 1);
  FillSpan(L, R, T);
  FillSpan(L, R, B - 1);
  FillColumn(L, T, B);
  FillColumn(R - 1, T, B);
}
