#pragma once

#include <cstdint>
#include <vector>

// A colour as the renderer writes it: red in the low byte, then green, then
// blue; the high byte stays 0. In memory this is the byte order R, G, B, X,
// which Qt reads as QImage::Format_RGBX8888 on a little-endian machine.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;

// A W x H raster image of TColor pixels. A plain value: copying it copies the
// pixels, moving it moves them without a copy, and it frees itself.
class TBitmap {
public:
  TBitmap() = default;
  // Throws std::invalid_argument for a negative size and std::bad_alloc when
  // the pixels do not fit in memory.
  TBitmap(int Width, int Height);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FPixels.empty(); }

  // A position outside the image is ignored.
  void SetPixel(int X, int Y, TColor Color);
  // Reads a pixel; a position outside the image reads as black.
  TColor Pixel(int X, int Y) const;

  void SetBrushColor(TColor Color) { FBrushColor = Color; }

  // One-pixel outline of the rectangle [Left, Right) x [Top, Bottom) in the
  // brush colour, clipped to the image. A rectangle of zero width or height
  // still shows as a one-pixel line, so a flat rubber band stays visible; a
  // rectangle whose right lies left of its left (or bottom above top) draws
  // nothing.
  void FrameRect(int Left, int Top, int Right, int Bottom);

  const TColor* Bits() const { return FPixels.data(); }
  TColor* Bits() { return FPixels.data(); }

  friend bool operator==(const TBitmap&, const TBitmap&) = default;

private:
  void FillSpan(long long X0, long long X1, long long Y);
  void FillColumn(long long X, long long Y0, long long Y1);

  int FWidth = 0;
  int FHeight = 0;
  TColor FBrushColor = clWhite;
  std::vector<TColor> FPixels;
};
