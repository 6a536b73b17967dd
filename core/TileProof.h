#pragma once

#include "Extended.h"

#include <cstdint>

// A rectangle of the complex plane that holds every sample of a tile.
struct TProofBox {
  TExtended XMin = 0, XMax = 0; // real parts
  TExtended YMin = 0, YMax = 0; // imaginary parts
};

// What a proof attempt found: Proved when every point of the box has the
// count that was asked for; Steps is how many iterations the enclosure went
// through before it succeeded or failed.
struct TProofResult {
  bool Proved = false;
  std::int32_t Steps = 0;
};

// Tries to prove, for every point c of Box at once, that the literal 80-bit
// loop of IsInSet under Limit gives the count Expected: 0 (never escapes
// within Limit) or k (passes the escape test first at iteration k, k <=
// Limit). It bounds all the orbits of the box together by a rigorous
// enclosure, computed with upward rounding; FastPaths.md gives the argument.
// A failed attempt stops at the first step where the enclosure cannot decide.
// Safe to call from many threads; the caller's rounding mode is kept.
TProofResult ProveBox(const TProofBox& Box, std::int32_t Limit, std::int32_t Expected);
