#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// The x87 80-bit extended format computed in integers, bit for bit as the
// x87 unit computes it at 64-bit precision: a sign, a 15-bit exponent and a
// 64-bit significand with its integer bit written out, subnormals, signed
// zeros, infinities and NaNs. It stands in for long double where that is
// not the x87 format, so that every machine draws the same pictures. The
// operations take their rounding explicitly; FastPaths.md says why each
// shortcut built on them keeps the literal loop's counts.
struct TSoftExtended {
  std::uint64_t Significand = 0; // the integer bit is bit 63
  std::uint16_t SignExponent = 0; // sign in bit 15, biased exponent below

  friend bool operator==(const TSoftExtended&, const TSoftExtended&) = default;
};

// The rounding directions, as the C fenv modes name them.
enum class TSoftRounding : std::uint8_t { Nearest, Upward, Downward, TowardZero };

namespace SoftExtended {

inline constexpr int ExponentBias = 16383;
inline constexpr std::uint16_t MaxExponent = 0x7FFF;
inline constexpr std::uint64_t IntegerBit = std::uint64_t{1} << 63;

using TWide = unsigned __int128;

constexpr bool Sign(TSoftExtended X) { return (X.SignExponent >> 15) != 0; }
constexpr int Exponent(TSoftExtended X) { return X.SignExponent & MaxExponent; }
constexpr bool IsNaN(TSoftExtended X) {
  return Exponent(X) == MaxExponent && (X.Significand << 1) != 0;
}
constexpr bool IsInf(TSoftExtended X) {
  return Exponent(X) == MaxExponent && (X.Significand << 1) == 0;
}
constexpr bool IsZero(TSoftExtended X) { return X.Significand == 0 && Exponent(X) == 0; }
constexpr TSoftExtended Make(bool Negative, int Exponent, std::uint64_t Significand) {
  return {Significand, static_cast<std::uint16_t>((Negative ? 0x8000 : 0) | Exponent)};
}
constexpr TSoftExtended Zero(bool Negative) { return Make(Negative, 0, 0); }
constexpr TSoftExtended Infinity(bool Negative) { return Make(Negative, MaxExponent, IntegerBit); }
// What the x87 unit gives for an invalid operation: the negative quiet NaN
// with the smallest payload ("real indefinite").
inline TSoftExtended DefaultNaN() { return Make(true, MaxExponent, 0xC000000000000000u); }

// A NaN operand goes through quieted; of two, the larger significand does.
TSoftExtended PropagateNaN(TSoftExtended A, TSoftExtended B);

// Whether a result rounded from a value just beyond its last bit moves away
// from zero: Half is the first bit beyond, Sticky any bit after it.
inline bool RoundsAway(TSoftRounding Rounding, bool Negative, bool Odd, bool Half, bool Sticky) {
  switch (Rounding) {
  case TSoftRounding::Nearest:
    return Half && (Sticky || Odd);
  case TSoftRounding::Upward:
    return !Negative && (Half || Sticky);
  case TSoftRounding::Downward:
    return Negative && (Half || Sticky);
  case TSoftRounding::TowardZero:
    break;
  }
  return false;
}

// The finite value Sig x 2^(E - ExponentBias - 127), Sig's top bit set,
// rounded to the format: to a subnormal where E < 1, to an infinity or the
// largest finite value (as the rounding says) where it is too large.
TSoftExtended RoundAndPack(bool Negative, int E, TWide Sig, TSoftRounding Rounding);

// A finite nonzero value as Significand x 2^(E - ExponentBias - 63) with
// the integer bit set (subnormals get an exponent below 1).
struct TUnpacked {
  bool Negative;
  int E;
  std::uint64_t Significand;
};
inline TUnpacked Unpack(TSoftExtended X) {
  const int E = Exponent(X);
  if (E != 0)
    return {Sign(X), E, X.Significand};
  const int Shift = std::countl_zero(X.Significand);
  return {Sign(X), 1 - Shift, X.Significand << Shift};
}

TSoftExtended AddSpecial(TSoftExtended A, TSoftExtended B, TSoftRounding Rounding);

} // namespace SoftExtended

// A + B, rounded.
inline TSoftExtended SoftAdd(TSoftExtended A, TSoftExtended B, TSoftRounding Rounding) {
  using namespace SoftExtended;
  if (Exponent(A) == MaxExponent || Exponent(B) == MaxExponent || IsZero(A) || IsZero(B))
    return AddSpecial(A, B, Rounding);
  TUnpacked X = Unpack(A), Y = Unpack(B);
  if (X.E < Y.E || (X.E == Y.E && X.Significand < Y.Significand)) {
    const TUnpacked T = X;
    X = Y;
    Y = T;
  }
  // One bit of headroom above the significands, 63 guard bits below; what
  // is shifted out beyond those is kept as a sticky bit. Even rounded to
  // nearest it counts: a subtraction that loses a bit or two to the
  // normalisation brings the lost bits up to where a tie is told apart
  // (1 - (1 + 2^-63) x 2^-65 would round to 1 without it).
  const TWide SigX = static_cast<TWide>(X.Significand) << 63;
  const int Shift = X.E - Y.E;
  TWide SigY = static_cast<TWide>(Y.Significand) << 63;
  if (Shift >= 127) {
    SigY = 1;
  } else if (Shift > 0) {
    const bool Lost = (SigY & ((static_cast<TWide>(1) << Shift) - 1)) != 0;
    SigY = (SigY >> Shift) | static_cast<TWide>(Lost);
  }
  TWide Sum;
  if (X.Negative == Y.Negative) {
    Sum = SigX + SigY;
  } else {
    Sum = SigX - SigY;
    if (Sum == 0)
      return Zero(Rounding == TSoftRounding::Downward);
  }
  // Normalise to the top bit: the sum's top bit is at 127 or 126, or lower
  // after a cancellation.
  const auto High = static_cast<std::uint64_t>(Sum >> 64);
  const int Leading = High != 0 ? std::countl_zero(High)
                                : 64 + std::countl_zero(static_cast<std::uint64_t>(Sum));
  return RoundAndPack(X.Negative, X.E + 1 - Leading, Sum << Leading, Rounding);
}

inline TSoftExtended SoftNegate(TSoftExtended A) {
  A.SignExponent ^= 0x8000;
  return A;
}

// A - B, rounded; a NaN B goes through with its own sign, as the x87 unit
// lets it.
inline TSoftExtended SoftSubtract(TSoftExtended A, TSoftExtended B, TSoftRounding Rounding) {
  return SoftAdd(A, SoftExtended::IsNaN(B) ? B : SoftNegate(B), Rounding);
}

TSoftExtended SoftMultiplySpecial(TSoftExtended A, TSoftExtended B);

// A x B, rounded.
inline TSoftExtended SoftMultiply(TSoftExtended A, TSoftExtended B, TSoftRounding Rounding) {
  using namespace SoftExtended;
  if (Exponent(A) == MaxExponent || Exponent(B) == MaxExponent || IsZero(A) || IsZero(B))
    return SoftMultiplySpecial(A, B);
  const TUnpacked X = Unpack(A), Y = Unpack(B);
  TWide Product = static_cast<TWide>(X.Significand) * Y.Significand;
  int E = X.E + Y.E - ExponentBias + 1;
  if ((Product >> 127) == 0) {
    Product <<= 1;
    --E;
  }
  return RoundAndPack(X.Negative != Y.Negative, E, Product, Rounding);
}

// A / B and the square root, rounded.
TSoftExtended SoftDivide(TSoftExtended A, TSoftExtended B, TSoftRounding Rounding);
TSoftExtended SoftSqrt(TSoftExtended A, TSoftRounding Rounding);

inline TSoftExtended SoftAbs(TSoftExtended A) {
  A.SignExponent &= 0x7FFF;
  return A;
}

// The ordering of the values: -1, 0 or 1, or 2 where either is a NaN
// (unordered); the two zeros are equal.
int SoftCompare(TSoftExtended A, TSoftExtended B);

// A rounded to a whole number, halfway cases to even (A within the range of
// the result).
std::int64_t SoftRoundToWhole(TSoftExtended A);

// Exact conversions in, and the rounded conversion to double.
TSoftExtended SoftFromDouble(double Value);
constexpr TSoftExtended SoftFromInteger(std::int64_t Value) {
  if (Value == 0)
    return SoftExtended::Zero(false);
  const bool Negative = Value < 0;
  const std::uint64_t Magnitude =
      Negative ? ~static_cast<std::uint64_t>(Value) + 1 : static_cast<std::uint64_t>(Value);
  const int Shift = std::countl_zero(Magnitude);
  return SoftExtended::Make(Negative, SoftExtended::ExponentBias + 63 - Shift, Magnitude << Shift);
}
// Every case; SoftFast::ToDouble takes the common one by a shorter road.
double SoftToDouble(TSoftExtended A, TSoftRounding Rounding);

#if __LDBL_MANT_DIG__ == 64
// The same bits as long double, where long double is the x87 format.
inline TSoftExtended SoftFromX87(long double Value) {
  TSoftExtended Soft;
  std::memcpy(&Soft.Significand, &Value, sizeof Soft.Significand);
  std::memcpy(&Soft.SignExponent, reinterpret_cast<const char*>(&Value) + 8,
              sizeof Soft.SignExponent);
  return Soft;
}

inline long double SoftToX87(TSoftExtended Soft) {
  long double Value = 0;
  std::memcpy(&Value, &Soft.Significand, sizeof Soft.Significand);
  std::memcpy(reinterpret_cast<char*>(&Value) + 8, &Soft.SignExponent, sizeof Soft.SignExponent);
  return Value;
}
#endif
