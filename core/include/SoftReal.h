#pragma once

#include "SoftExtended.h"
#include "SoftFast.h"
#include "SoftMath.h"

#include <cstdint>
#include <limits>
#include <type_traits>

// How the software real's operators round, on this thread: to nearest, but
// upward while a proof rounds upward (as the x87 unit's control word would).
inline thread_local TSoftRounding SoftRoundingMode = TSoftRounding::Nearest;

namespace SoftExtended {

// A long double rounded to nearest into the format, at compile time too: a
// literal means the same number on every machine, whatever long double is
// there (its digits are correctly rounded to long double first; a second
// rounding could differ only for a value exactly halfway between two
// extended reals, which no literal of the program is).
constexpr TSoftExtended FromLongDouble(long double V) {
  if (V != V)
    return Make(false, MaxExponent, 0xC000000000000000u);
#if __LDBL_MANT_DIG__ == 113 // quadruple (WebAssembly), whose sign clang reads at run time only
  const bool Negative = (std::bit_cast<unsigned __int128>(V) >> 127) != 0;
#else
  const bool Negative = __builtin_signbit(V) != 0;
#endif
  long double A = Negative ? -V : V;
  if (A == 0)
    return Zero(Negative);
  if (A > std::numeric_limits<long double>::max())
    return Infinity(Negative);
  int E = 0; // A = M x 2^E, M in [1, 2)
  while (A >= 0x1p64L) {
    A /= 0x1p64L;
    E += 64;
  }
  while (A >= 2) {
    A /= 2;
    ++E;
  }
  while (A < 0x1p-64L) {
    A *= 0x1p64L;
    E -= 64;
  }
  while (A < 1) {
    A *= 2;
    --E;
  }
  // 64 bits of significand, fewer below the least normal exponent.
  const int Biased = E + ExponentBias;
  const int Kept = Biased >= 1 ? 64 : 64 - (1 - Biased);
  if (Kept <= 0) // at most the least subnormal: half of it or less rounds to 0
    return Kept == 0 && A > 1 ? Make(Negative, 0, 1) : Zero(Negative);
  long double Scaled = A;
  for (int K = 1; K < Kept; ++K)
    Scaled *= 2;
  auto Significand = static_cast<std::uint64_t>(Scaled);
  const long double Rest = Scaled - static_cast<long double>(Significand);
  if (Rest > 0.5L || (Rest == 0.5L && (Significand & 1) != 0))
    ++Significand;
  int Exponent = Biased >= 1 ? Biased : 0;
  if (Significand == 0) { // carried out of 64 bits
    Significand = IntegerBit;
    ++Exponent;
  } else if (Exponent == 0 && (Significand & IntegerBit) != 0) {
    Exponent = 1;
  }
  if (Exponent >= MaxExponent)
    return Infinity(Negative);
  return Make(Negative, Exponent, Significand);
}

} // namespace SoftExtended

// The extended real in software: TSoftExtended with the arithmetic of a
// built-in floating type, each operation rounded as SoftRoundingMode says.
class TSoftReal {
public:
  TSoftExtended Bits;

  constexpr TSoftReal() = default;
  // At run time by the bits where that is quick, at compile time by the
  // loop of FromLongDouble.
  constexpr TSoftReal(long double V) : Bits(FromLong(V)) {}
  constexpr TSoftReal(double V)
      : Bits(std::is_constant_evaluated() ? SoftExtended::FromLongDouble(V) : SoftFromDouble(V)) {}
  constexpr TSoftReal(int V) : Bits(SoftFromInteger(V)) {}
  constexpr TSoftReal(long V) : Bits(SoftFromInteger(V)) {}
  constexpr TSoftReal(long long V) : Bits(SoftFromInteger(V)) {}
  static TSoftReal FromBits(TSoftExtended Bits) {
    TSoftReal R;
    R.Bits = Bits;
    return R;
  }

  explicit operator double() const { return SoftFast::ToDouble(Bits, SoftRoundingMode); }

private:
  static constexpr TSoftExtended FromLong(long double V) {
#if __LDBL_MANT_DIG__ == 64
    if (!std::is_constant_evaluated())
      return SoftFromX87(V);
#endif
    return SoftExtended::FromLongDouble(V);
  }

public:

  // By the shorter road of SoftFast, which falls back on the full
  // operations where it must.
  friend TSoftReal operator+(TSoftReal A, TSoftReal B) {
    return FromBits(SoftFast::Add(A.Bits, B.Bits, SoftRoundingMode));
  }
  friend TSoftReal operator-(TSoftReal A, TSoftReal B) {
    return FromBits(SoftFast::Subtract(A.Bits, B.Bits, SoftRoundingMode));
  }
  friend TSoftReal operator*(TSoftReal A, TSoftReal B) {
    return FromBits(SoftFast::Multiply(A.Bits, B.Bits, 0, SoftRoundingMode));
  }
  friend TSoftReal operator/(TSoftReal A, TSoftReal B) {
    return FromBits(SoftDivide(A.Bits, B.Bits, SoftRoundingMode));
  }
  friend TSoftReal operator-(TSoftReal A) { return FromBits(SoftNegate(A.Bits)); }
  TSoftReal& operator+=(TSoftReal B) { return *this = *this + B; }
  TSoftReal& operator-=(TSoftReal B) { return *this = *this - B; }
  TSoftReal& operator*=(TSoftReal B) { return *this = *this * B; }
  TSoftReal& operator/=(TSoftReal B) { return *this = *this / B; }

  friend bool operator==(TSoftReal A, TSoftReal B) { return SoftCompare(A.Bits, B.Bits) == 0; }
  friend bool operator!=(TSoftReal A, TSoftReal B) { return !(A == B); }
  friend bool operator<(TSoftReal A, TSoftReal B) { return SoftCompare(A.Bits, B.Bits) == -1; }
  friend bool operator>(TSoftReal A, TSoftReal B) { return SoftCompare(A.Bits, B.Bits) == 1; }
  friend bool operator<=(TSoftReal A, TSoftReal B) {
    const int Order = SoftCompare(A.Bits, B.Bits);
    return Order == -1 || Order == 0;
  }
  friend bool operator>=(TSoftReal A, TSoftReal B) {
    const int Order = SoftCompare(A.Bits, B.Bits);
    return Order == 1 || Order == 0;
  }
};

template <> class std::numeric_limits<TSoftReal> {
public:
  static constexpr bool is_specialized = true;
  static constexpr bool is_signed = true;
  static constexpr bool has_infinity = true;
  static constexpr bool has_quiet_NaN = true;
  static constexpr int digits = 64;
  static constexpr int max_exponent = 16384;
  static constexpr int min_exponent = -16381;
  static TSoftReal infinity() { return TSoftReal::FromBits(SoftExtended::Infinity(false)); }
  static TSoftReal quiet_NaN() {
    return TSoftReal::FromBits(SoftExtended::Make(false, SoftExtended::MaxExponent, 0xC000000000000000u));
  }
  static TSoftReal max() {
    return TSoftReal::FromBits(SoftExtended::Make(false, SoftExtended::MaxExponent - 1, ~std::uint64_t{0}));
  }
  static TSoftReal min() {
    return TSoftReal::FromBits(SoftExtended::Make(false, 1, SoftExtended::IntegerBit));
  }
  static TSoftReal lowest() { return -max(); }
  static TSoftReal denorm_min() { return TSoftReal::FromBits(SoftExtended::Make(false, 0, 1)); }
  static TSoftReal epsilon() {
    return TSoftReal::FromBits(
        SoftExtended::Make(false, SoftExtended::ExponentBias - 63, SoftExtended::IntegerBit));
  }
};
