#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

// Every coordinate and every step of the iteration is an x87 80-bit extended
// real (64-bit significand, 15-bit exponent, round-to-nearest-even). Where
// long double is that format (x86-64 with GCC or Clang) it is long double,
// computed by the x87 unit. Anywhere else, or where the build asks for it
// (GORVANEL_SOFT_EXTENDED), it is TSoftReal, the same format computed in
// integers, bit for bit as the x87 unit computes it.
#if defined(GORVANEL_SOFT_EXTENDED) || __LDBL_MANT_DIG__ != 64
#include "SoftReal.h"
#define GORVANEL_SOFT_REAL 1
using TExtended = TSoftReal;
#else
#include "SoftExtended.h"
using TExtended = long double;
#endif
static_assert(std::numeric_limits<TExtended>::digits == 64,
              "the extended real must have a 64-bit significand");

// A point of the complex plane, or a corner of a view.
struct TExtPoint {
  TExtended X = 0; // real part
  TExtended Y = 0; // imaginary part
};

// What the program needs of its number type beyond arithmetic, the same
// for either: |x|, finiteness, the square root and natural logarithm (for
// the palette; the logarithm correctly rounded in software, glibc's logl on
// the x87 unit, which gives the same grey levels), rounding to a whole
// number, reading as strtold reads and printing as %La and %.21Lg print on
// x86-64, and the format's bits.
#ifdef GORVANEL_SOFT_REAL
inline TExtended Abs(TExtended V) { return TSoftReal::FromBits(SoftAbs(V.Bits)); }
inline bool IsFinite(TExtended V) { return SoftExtended::Exponent(V.Bits) != SoftExtended::MaxExponent; }
inline TExtended Sqrt(TExtended V) { return TSoftReal::FromBits(SoftSqrt(V.Bits, SoftRoundingMode)); }
inline TExtended Log(TExtended V) { return TSoftReal::FromBits(SoftLog(V.Bits)); }
inline TSoftExtended ExtendedBits(TExtended V) { return V.Bits; }
inline TExtended FromExtendedBits(TSoftExtended Bits) { return TSoftReal::FromBits(Bits); }
inline std::string HexFloatText(TExtended V) { return SoftToHexFloat(V.Bits); }
inline std::string DecimalText(TExtended V) { return SoftToDecimal21(V.Bits); }
inline TExtended ReadExtended(const char* Text, const char** End) {
  return TSoftReal::FromBits(SoftFromText(Text, End));
}
#else
inline TExtended Abs(TExtended V) { return std::fabs(V); }
inline bool IsFinite(TExtended V) { return std::isfinite(V); }
inline TExtended Sqrt(TExtended V) { return std::sqrt(V); }
inline TExtended Log(TExtended V) { return std::log(V); }
inline TSoftExtended ExtendedBits(TExtended V) { return SoftFromX87(V); }
inline TExtended FromExtendedBits(TSoftExtended Bits) { return SoftToX87(Bits); }
std::string HexFloatText(TExtended V);
std::string DecimalText(TExtended V);
TExtended ReadExtended(const char* Text, const char** End);
#endif

// V rounded to a whole number, halfway cases to even (as the default
// rounding mode, in which the palette is built, rounds).
#ifdef GORVANEL_SOFT_REAL
inline std::int64_t RoundToWhole(TExtended V) { return SoftRoundToWhole(V.Bits); }
#else
inline std::int64_t RoundToWhole(TExtended V) { return std::llrint(V); }
#endif
