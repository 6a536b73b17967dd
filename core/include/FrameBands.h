#pragma once

#include "Bitmap.h"
#include "CountGrid.h"
#include "Extended.h"
#include "RenderMandelbrot.h"

#include <cstdint>
#include <vector>

// A frame computed in pieces, each anywhere (the page's workers each have a
// module of their own), and painted as one: the picture is RenderFrame's to
// the bit, however the samples are split, since every count is the literal
// loop's and the grey levels follow the whole frame's range.

// The escape counts of one piece of the frame's (Width + 1) x (Height + 1)
// samples, row after row, Piece.Columns to a row. Throws
// std::invalid_argument for a size or piece outside the frame.
std::vector<std::int32_t> RenderCountPiece(const TExtPoint& TopLeft, const TExtPoint& BottomRight,
                                           std::int32_t Width, std::int32_t Height,
                                           const TGridPiece& Piece,
                                           const TRenderOptions& Options = {});

// Where the frame's samples lie, and its iteration limit, for a kernel
// outside the core (the page's GPU): column i at X[i], row j at Y[j].
struct TFrameAxes {
  std::int32_t Limit;
  std::vector<TExtended> X, Y;
};
TFrameAxes FrameAxes(const TExtPoint& TopLeft, const TExtPoint& BottomRight, std::int32_t Width,
                     std::int32_t Height);

// The frame's image from all its counts, (Height + 1) rows of Width + 1.
TBitmap PaintCounts(const std::int32_t* Counts, std::int32_t Width, std::int32_t Height);
