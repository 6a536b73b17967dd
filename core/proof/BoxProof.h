#pragma once

#include "Extended.h"
#include "ProofBounds.h"

#include <cstdint>

// A rectangle of the complex plane that holds every sample of a tile.
struct TProofBox {
  TExtended XMin = 0, XMax = 0; // real parts
  TExtended YMin = 0, YMax = 0; // imaginary parts
};

// What a proof attempt found: Proved when every point of the box has the
// count that was asked for; Steps is how many iterations the enclosure went
// through before it succeeded or failed. Rounding, on a failure, tells that
// the rounding of the orbits alone made the enclosure as wide there as its
// linear terms did: a smaller box around the same orbits would be hardly
// narrower, and fail as well.
struct TProofResult {
  bool Proved = false;
  std::int32_t Steps = 0;
  bool Rounding = false;
};

// Tries to prove, for every point c of Box at once, that the literal 80-bit
// loop of IsInSet under Limit gives the count Expected: 0 (never escapes
// within Limit) or k (passes the escape test first at iteration k, k <=
// Limit). It bounds all the orbits of the box together by a rigorous
// enclosure, computed with upward rounding; FastPaths.md gives the argument.
// A failed attempt stops at the first step where the enclosure cannot decide.
// Safe to call from many threads; the caller's rounding mode is kept.
TProofResult ProveBox(const TProofBox& Box, std::int32_t Limit, std::int32_t Expected);

// A sample still inside after OrbitProofAt iterations gets one try at a
// proof that it never escapes (ProveOrbitStaysInside), with a budget of
// OrbitProofBudget steps. An orbit attracted to a short cycle is proved
// there, long before it would repeat to the bit; later tries with larger
// budgets cost more than they saved. The tries are rationed (FastPaths.md,
// Rations).
inline constexpr std::int32_t OrbitProofAt = 512;
inline constexpr std::int32_t OrbitProofBudget = 32;

// Tries to prove that the orbit of the point (X, Y), which the literal loop
// has brought to z = (ZR, ZI) without an escape, never escapes at all: its
// enclosure must come back inside an earlier one within Budget iterations.
// A point in the set whose orbit is attracted to a cycle is proved long
// before its orbit repeats to the bit.
// Radius: how far the orbit may be from z, where z is known only that well.
bool ProveOrbitStaysInside(TExtended X, TExtended Y, TExtended ZR, TExtended ZI,
                           std::int32_t Budget, double Radius = 0);

// For a point c within RX and RY (its rounding) of the double (CX, CY): a
// bound of how far one iteration in doubles from C moves from the literal
// loop's iteration of the same z from c (the roundings of both, and c - C),
// for |z| <= 2. Valid only when called with upward rounding.
double DoubleOrbitStepError(double CX, double CY, double RX, double RY);
