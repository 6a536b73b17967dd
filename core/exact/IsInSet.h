#pragma once

#include "Extended.h"

#include <cstdint>

// Escape-time iteration of z -> z^2 + c from z = 0, exactly as the viewer has
// always computed it: every intermediate rounded to 80-bit extended, escape
// when zr^2 + zi^2 > 4 (strictly). Returns true when the orbit stays within
// Limit iterations (Count untouched), false with Count = the iteration
// (1..Limit) at which it escaped. This literal loop is the reference that
// every faster path is checked against.
bool IsInSet(const TExtPoint& Point, std::int32_t Limit, std::int32_t& Count);
