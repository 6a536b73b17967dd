#pragma once

#include "Extended.h"

#include <cstddef>
#include <cstdint>

// What the page's WebAssembly module exports. The page's main script holds
// one instance, the viewer; each worker holds one more, for pieces of
// frames. Texts travel as NUL-terminated UTF-8 in the module's memory.
#define GORVANEL_EXPORT(Name) extern "C" __attribute__((export_name(#Name)))

GORVANEL_EXPORT(gv_alloc) void* gv_alloc(std::size_t Bytes); // memory for a text or view to pass in
GORVANEL_EXPORT(gv_free) void gv_free(void* Block);
GORVANEL_EXPORT(gv_open) int gv_open(const char* Fragment, std::int32_t Width, std::int32_t Height); // 1: read, 0: start view
GORVANEL_EXPORT(gv_message) const char* gv_message(); // why the last address was not read
GORVANEL_EXPORT(gv_corners) const TExtended* gv_corners(); // the view's left, top, right, bottom
GORVANEL_EXPORT(gv_corners_size) std::size_t gv_corners_size(); // their size in bytes
GORVANEL_EXPORT(gv_counts) std::int32_t* gv_counts(); // the frame's counts, for the pieces to fill
GORVANEL_EXPORT(gv_paint) void gv_paint(); // paints the counts and shows the picture
GORVANEL_EXPORT(gv_pixels) const std::uint32_t* gv_pixels(); // what is shown, RGBA
GORVANEL_EXPORT(gv_input) int gv_input(int Kind, int Button, int Key, std::int32_t X, std::int32_t Y); // a TInputEffect
GORVANEL_EXPORT(gv_back) int gv_back(); // 1: went back a view
GORVANEL_EXPORT(gv_depth) int gv_depth(); // views to go back to
GORVANEL_EXPORT(gv_hold) void gv_hold(); // a render starts: held input is replayed from here
GORVANEL_EXPORT(gv_held) int gv_held(int Kind, int Button, int Key, std::int32_t X, std::int32_t Y); // a THeld
GORVANEL_EXPORT(gv_abandon) void gv_abandon(); // the render was stopped
GORVANEL_EXPORT(gv_address) const char* gv_address(); // the view's fragment, without '#'
GORVANEL_EXPORT(gv_command) const char* gv_command(); // the render tool's command line for the view
GORVANEL_EXPORT(gv_iterations) double gv_iterations(); // the frame's iterations, the limit for each sample that stays
GORVANEL_EXPORT(gv_piece) const std::int32_t* gv_piece(const TExtended* Corners, std::int32_t Width,
                                                      std::int32_t Height, std::int32_t FirstColumn,
                                                      std::int32_t Columns, std::int32_t FirstRow,
                                                      std::int32_t Rows, int Flags); // a piece's counts, Flags as below
// gv_piece's flags. Checked (tests): proofs on tiny tiles, each proved count
// checked, a wrong one traps. LeavesOpen: the samples that the proofs do
// not settle are left, their count -1, for the GPU.
constexpr int PieceChecked = 1, PieceLeavesOpen = 2;
// For the GPU: the frame's iteration limit, then the x of each column and
// the y of each row, each 80-bit real as four words (the significand's low
// and high words, then the sign and exponent, then 0).
GORVANEL_EXPORT(gv_axes) const std::uint32_t* gv_axes(const TExtended* Corners, std::int32_t Width,
                                                    std::int32_t Height);
