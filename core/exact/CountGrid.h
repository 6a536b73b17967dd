#pragma once

#include "Raise.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// Where a piece of a frame's grid lies: Columns columns from FirstColumn on,
// Rows rows from FirstRow on.
struct TGridPiece {
  std::int32_t FirstColumn, Columns, FirstRow, Rows;
};

// Escape counts of one frame: W + 1 columns of H + 1 samples, so the right
// and bottom edges of the view are sampled too (they take part in the grey
// levels although they fall outside the image). 0 means "did not escape".
// The renderers write every entry, so the grid starts uninitialised: zeroing
// it first would only add page faults to the part of a frame that runs on
// one thread.
class TCountGrid {
public:
  TCountGrid(std::int32_t Width, std::int32_t Height)
      : TCountGrid(Width, Height, Whole(CheckedSize(Width), CheckedSize(Height))) {}

  // A piece of a frame's grid, which must lie within the frame's
  // (Width + 1) x (Height + 1) samples.
  TCountGrid(std::int32_t Width, std::int32_t Height, const TGridPiece& Piece)
      : FColumns(CheckedRange(CheckedSize(Width), Piece.FirstColumn, Piece.Columns)),
        FRows(CheckedRange(CheckedSize(Height), Piece.FirstRow, Piece.Rows)),
        FFirstColumn(Piece.FirstColumn), FFirstRow(Piece.FirstRow), FFrameColumns(Width + 1),
        FFrameRows(Height + 1),
        FCounts(new std::int32_t[static_cast<std::size_t>(FColumns) * FRows]) {}

  std::int32_t Columns() const { return FColumns; }
  std::int32_t Rows() const { return FRows; }
  // Where the grid's columns and rows lie among the frame's.
  std::int32_t FirstColumn() const { return FFirstColumn; }
  std::int32_t FirstRow() const { return FFirstRow; }
  std::int32_t FrameColumns() const { return FFrameColumns; }
  std::int32_t FrameRows() const { return FFrameRows; }

  std::int32_t& At(std::int32_t I, std::int32_t J) { return FCounts[Index(I, J)]; }
  std::int32_t At(std::int32_t I, std::int32_t J) const { return FCounts[Index(I, J)]; }

  // Where sample (I, J) lies in the grid's order, for arrays kept beside it.
  std::size_t Index(std::int32_t I, std::int32_t J) const {
    return static_cast<std::size_t>(I) * FRows + J;
  }

private:
  // A side no screen or image file comes near, yet small enough that the
  // extra edge sample (Size + 1) cannot overflow and a typing slip such as
  // a size of 2^31 - 1 is refused at once, before any allocation is tried.
  static constexpr std::int32_t MaxSide = 1'000'000;
  static std::int32_t CheckedSize(std::int32_t Size) {
    if (Size < 1 || Size > MaxSide)
      Raise(std::invalid_argument("frame width and height must be from 1 to " +
                                  std::to_string(MaxSide)));
    return Size;
  }
  static TGridPiece Whole(std::int32_t Width, std::int32_t Height) {
    return {0, Width + 1, 0, Height + 1};
  }
  static std::int32_t CheckedRange(std::int32_t Size, std::int32_t First, std::int32_t Count) {
    if (First < 0 || Count < 1 || Count > Size + 1 - First)
      Raise(std::invalid_argument("a piece's columns and rows must lie within the frame's"));
    return Count;
  }

  std::int32_t FColumns;
  std::int32_t FRows;
  std::int32_t FFirstColumn;
  std::int32_t FFirstRow;
  std::int32_t FFrameColumns;
  std::int32_t FFrameRows;
  std::unique_ptr<std::int32_t[]> FCounts;
};
