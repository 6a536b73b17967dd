#pragma once

#include "Bitmap.h"
#include "Extended.h"
#include "RenderMandelbrot.h"

#include <cstdint>
#include <vector>

// A frame computed in bands of rows, each anywhere (the page's workers each
// have a module of their own), and painted as one: the picture is
// RenderFrame's to the bit, however the rows are split, since every count
// is the literal loop's and the grey levels follow the whole frame's range.

// The escape counts of rows FirstRow to FirstRow + Rows - 1 of the frame's
// (Width + 1) x (Height + 1) samples, row after row, Width + 1 to a row.
// Throws std::invalid_argument for a size or band outside the frame.
std::vector<std::int32_t> RenderCountBand(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                                          std::int32_t Width, std::int32_t Height,
                                          std::int32_t FirstRow, std::int32_t Rows,
                                          const TRenderOptions& Options = {});

// The frame's image from all its counts, (Height + 1) rows of Width + 1 as
// RenderCountBand gives them.
TBitmap PaintCounts(const std::int32_t* Counts, std::int32_t Width, std::int32_t Height);
