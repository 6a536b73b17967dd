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

// The count the literal loop gives the point, as a count grid holds it: the
// escape iteration, or 0 when it does not escape within Limit.
inline std::int32_t LiteralCount(TExtended X, TExtended Y, std::int32_t Limit) {
  std::int32_t Count = 0;
  return IsInSet({X, Y}, Limit, Count) ? 0 : Count;
}
