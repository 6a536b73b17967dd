#include "SoftMath.h"

#include <cstdio>

using namespace SoftExtended;

std::string SoftToHexFloat(TSoftExtended A) {
  const std::string Sign = SoftExtended::Sign(A) ? "-" : "";
  if (IsNaN(A))
    return Sign + "nan";
  if (IsInf(A))
    return Sign + "inf";
  if (IsZero(A))
    return Sign + "0x0p+0";
  // Four bits to the first digit, as the C library prints the x87 format;
  // a subnormal keeps the least exponent and its leading zeros.
  char Digits[17];
  std::snprintf(Digits, sizeof Digits, "%016llx", static_cast<unsigned long long>(A.Significand));
  std::string Fraction(Digits + 1);
  Fraction.erase(Fraction.find_last_not_of('0') + 1);
  const int E = (Exponent(A) == 0 ? 1 : Exponent(A)) - ExponentBias - 3;
  char Power[16];
  std::snprintf(Power, sizeof Power, "p%+d", E);
  return Sign + "0x" + Digits[0] + (Fraction.empty() ? "" : "." + Fraction) + Power;
}
