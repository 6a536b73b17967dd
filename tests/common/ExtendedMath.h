#pragma once

#include "Extended.h"

#include <cmath>
#include <ostream>

// The functions the tests use on extended reals beyond the program's own
// (trigonometry, hypot, the next value up, ...), for either number type:
// the C library's on long double, and on the software real, the same
// computed in long double (exact where long double is the x87 format; finer
// elsewhere), or on its bits. Called unqualified.
using std::atan2;
using std::cos;
using std::fabs;
using std::hypot;
using std::ilogb;
using std::nextafter;
using std::sin;

#ifdef GORVANEL_SOFT_REAL
// Exactly: 64 bits fit in long double everywhere.
inline long double Wide(TSoftReal V) {
  const TSoftExtended B = V.Bits;
  if (SoftExtended::IsNaN(B))
    return std::nanl("");
  if (SoftExtended::IsInf(B))
    return SoftExtended::Sign(B) ? -HUGE_VALL : HUGE_VALL;
  const int E = SoftExtended::Exponent(B) == 0 ? 1 : SoftExtended::Exponent(B);
  const long double Magnitude =
      std::ldexp(static_cast<long double>(B.Significand), E - SoftExtended::ExponentBias - 63);
  return SoftExtended::Sign(B) ? -Magnitude : Magnitude;
}
inline TSoftReal hypot(TSoftReal A, TSoftReal B) { return std::hypot(Wide(A), Wide(B)); }
inline TSoftReal cos(TSoftReal A) { return std::cos(Wide(A)); }
inline TSoftReal sin(TSoftReal A) { return std::sin(Wide(A)); }
inline TSoftReal atan2(TSoftReal A, TSoftReal B) { return std::atan2(Wide(A), Wide(B)); }
inline TSoftReal fabs(TSoftReal A) { return Abs(A); }
inline int ilogb(TSoftReal A) { return std::ilogb(Wide(A)); }
// The next value up from a finite positive one (the tests' only use).
inline TSoftReal nextafter(TSoftReal From, TSoftReal) {
  TSoftExtended B = From.Bits;
  if (++B.Significand == 0) {
    B.Significand = SoftExtended::IntegerBit;
    ++B.SignExponent;
  } else if (SoftExtended::Exponent(B) == 0 && (B.Significand & SoftExtended::IntegerBit) != 0) {
    ++B.SignExponent;
  }
  return TSoftReal::FromBits(B);
}
inline std::ostream& operator<<(std::ostream& Out, TSoftReal V) { return Out << DecimalText(V); }
#endif
