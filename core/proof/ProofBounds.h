#pragma once

#include "Extended.h"
#include "Raise.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <stdexcept>
#ifndef FE_UPWARD
#include "UpwardDouble.h"
#endif

// What the proofs share: the margins of the escape test and the rounding
// that makes their sums and products bounds.

// The bounds' number: a double, rounded upward by the processor, or where
// it cannot round upward (WebAssembly rounds every operation to nearest),
// a double that rounds upward in software.
#ifdef FE_UPWARD
using TBound = double;
inline double SqrtUp(double V) { return std::sqrt(V); }
#else
#define GORVANEL_UPWARD_IN_SOFTWARE 1
using TBound = TUpwardDouble;
#endif

// The escape test fl(fl(zr^2) + fl(zi^2)) > 4 surely fails below the first
// bound on |z|^2 and surely passes at or above the square of the second.
inline constexpr double SurelyInside = 4 - 0x1p-50;
inline constexpr double SurelyOutside = 2 + 0x1p-50;

// What the escape test does for every point of an enclosure.
enum class TEscapeVerdict { Inside, Outside, Undecided };

// Under upward rounding, for every z within Radius of a point whose modulus
// is at most AbsZ: whether the escape test surely fails.
inline bool SurelyInsideWithin(TBound AbsZ, TBound Radius) {
  const TBound Outer = AbsZ + Radius;
  return Outer * Outer <= SurelyInside;
}

// Under upward rounding, for every z within Radius of a point whose real and
// imaginary parts are at least LowR and LowI in size: whether the escape
// test surely passes. The lower bound of |z|^2 comes from rounded-up
// negatives.
inline bool SurelyOutsideBeyond(TBound LowR, TBound LowI, TBound Radius) {
  const TBound LowZ2 = -((-LowR) * LowR + (-LowI) * LowI);
  const TBound Inner = Radius + SurelyOutside;
  return LowZ2 >= Inner * Inner;
}

// Upper bound of |A - B| as a double, under upward rounding: an upward
// difference bounds the exact one from above only in its own order, so both
// orders are taken.
inline TBound DiffUp(TExtended A, TExtended B) {
  return static_cast<TBound>(std::max(A - B, B - A));
}
inline TBound DiffUp(TBound A, TBound B) { return std::max(A - B, B - A); }

// Sets upward rounding for its lifetime and puts the caller's mode back, so
// that sums and products of non-negative bounds round up. Only code built
// with -frounding-math may compute under it.
// The software extended real rounds as the thread's SoftRoundingMode says,
// so that is set too.
class TRoundUpward {
public:
  TRoundUpward() : FOld(std::fegetround()) {
#ifdef FE_UPWARD
    if (std::fesetround(FE_UPWARD) != 0 || std::fegetround() != FE_UPWARD)
      Raise(std::runtime_error("cannot round upward for a proof"));
#endif
#ifdef GORVANEL_SOFT_REAL
    FOldSoft = SoftRoundingMode;
    SoftRoundingMode = TSoftRounding::Upward;
#endif
  }
  ~TRoundUpward() {
    std::fesetround(FOld);
#ifdef GORVANEL_SOFT_REAL
    SoftRoundingMode = FOldSoft;
#endif
  }
  TRoundUpward(const TRoundUpward&) = delete;
  TRoundUpward& operator=(const TRoundUpward&) = delete;

private:
  int FOld;
#ifdef GORVANEL_SOFT_REAL
  TSoftRounding FOldSoft = TSoftRounding::Nearest;
#endif
};
