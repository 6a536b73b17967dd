#pragma once

#include "Bitmap.h"
#include "CountGrid.h"
#include "Extended.h"

#include <cstdint>
#include <vector>

// What both renderers share of a frame: where its samples lie, the range of
// their counts, and the picture painted from them.

// The samples of a frame whose count grid is Grid: column i at
// i x DX + left, row j at top - j x DY, one pixel apart, with the iteration
// limit that follows the view's height. The edges are taken as they come,
// in any order. A piece of the frame's grid gets its own columns and rows.
struct TFrameGeometry {
  TFrameGeometry(const TExtPoint& TopLeft, const TExtPoint& BottomRight, const TCountGrid& Grid);

  std::int32_t Limit;
  TExtended DX, DY;
  std::vector<TExtended> X, Y;
};

// The smallest and largest escape count of the grid; NoMinCount and
// NoMaxCount where no sample escaped.
struct TCountRange {
  std::int32_t Min, Max;
};
TCountRange CountRange(const TCountGrid& Grid);

// The grey-level image of a finished grid: counts spread over the palette
// between the smallest and largest count of all (W + 1) x (H + 1) samples,
// non-escaping samples black.
TBitmap PaintCountGrid(const TCountGrid& Grid, const TCountRange& Range);
