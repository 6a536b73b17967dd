#include "SoftExtended.h"

#include <cmath>
#include <cstring>

namespace SoftExtended {

namespace {

TSoftExtended Quiet(TSoftExtended A) {
  A.Significand |= 0xC000000000000000u;
  return A;
}

// Bits of Sig below Shift as a sticky bit, Sig shifted right by Shift.
TWide ShiftRightSticky(TWide Sig, int Shift) {
  if (Shift <= 0)
    return Sig;
  if (Shift >= 128)
    return Sig != 0;
  const bool Lost = (Sig & ((static_cast<TWide>(1) << Shift) - 1)) != 0;
  return (Sig >> Shift) | static_cast<TWide>(Lost);
}

// The largest finite value, or an infinity, for a result too large.
TSoftExtended Overflow(bool Negative, TSoftRounding Rounding) {
  const bool ToInfinity = Rounding == TSoftRounding::Nearest ||
                          (Rounding == TSoftRounding::Upward && !Negative) ||
                          (Rounding == TSoftRounding::Downward && Negative);
  return ToInfinity ? Infinity(Negative) : Make(Negative, MaxExponent - 1, ~std::uint64_t{0});
}

} // namespace

TSoftExtended PropagateNaN(TSoftExtended A, TSoftExtended B) {
  if (IsNaN(A) && IsNaN(B)) {
    // Of two equal significands the x87 unit gives the positive NaN.
    if ((A.Significand << 1) == (B.Significand << 1))
      return Quiet(Sign(A) ? B : A);
    return Quiet((A.Significand << 1) > (B.Significand << 1) ? A : B);
  }
  return Quiet(IsNaN(A) ? A : B);
}

TSoftExtended RoundAndPack(bool Negative, int E, TWide Sig, TSoftRounding Rounding) {
  if (E < 1) {
    // A subnormal: the significand is shifted down to the least exponent
    // and rounded once, there.
    Sig = ShiftRightSticky(Sig, 1 - E);
    E = 0;
  }
  auto Significand = static_cast<std::uint64_t>(Sig >> 64);
  const auto Rest = static_cast<std::uint64_t>(Sig);
  const bool Half = (Rest >> 63) != 0, Sticky = (Rest << 1) != 0;
  if (RoundsAway(Rounding, Negative, (Significand & 1) != 0, Half, Sticky)) {
    ++Significand;
    if (Significand == 0) { // carried out of the top: 1.0 x 2^(E + 1)
      Significand = IntegerBit;
      ++E;
    } else if (E == 0 && (Significand & IntegerBit) != 0) {
      E = 1; // rounded up from a subnormal to the least normal value
    }
  }
  if (E >= MaxExponent)
    return Overflow(Negative, Rounding);
  return Make(Negative, E, Significand);
}

TSoftExtended AddSpecial(TSoftExtended A, TSoftExtended B, TSoftRounding Rounding) {
  if (IsNaN(A) || IsNaN(B))
    return PropagateNaN(A, B);
  if (IsInf(A) || IsInf(B)) {
    if (IsInf(A) && IsInf(B) && Sign(A) != Sign(B))
      return DefaultNaN();
    return IsInf(A) ? A : B;
  }
  if (IsZero(A) && IsZero(B)) {
    if (Sign(A) == Sign(B))
      return A;
    return Zero(Rounding == TSoftRounding::Downward);
  }
  return IsZero(A) ? B : A;
}

} // namespace SoftExtended

using namespace SoftExtended;

TSoftExtended SoftMultiplySpecial(TSoftExtended A, TSoftExtended B) {
  if (IsNaN(A) || IsNaN(B))
    return PropagateNaN(A, B);
  const bool Negative = Sign(A) != Sign(B);
  if (IsInf(A) || IsInf(B))
    return IsZero(A) || IsZero(B) ? DefaultNaN() : Infinity(Negative);
  return Zero(Negative);
}

TSoftExtended SoftDivide(TSoftExtended A, TSoftExtended B, TSoftRounding Rounding) {
  if (IsNaN(A) || IsNaN(B))
    return PropagateNaN(A, B);
  const bool Negative = Sign(A) != Sign(B);
  if (IsInf(A))
    return IsInf(B) ? DefaultNaN() : Infinity(Negative);
  if (IsInf(B))
    return Zero(Negative);
  if (IsZero(B))
    return IsZero(A) ? DefaultNaN() : Infinity(Negative);
  if (IsZero(A))
    return Zero(Negative);
  const TUnpacked X = Unpack(A), Y = Unpack(B);
  // Two 64-bit steps of long division give 128 bits of the quotient, the
  // remainder the sticky bit.
  TWide Numerator = static_cast<TWide>(X.Significand) << 64;
  const int Halved = X.Significand >= Y.Significand;
  Numerator >>= Halved;
  const TWide High = Numerator / Y.Significand;
  const TWide Remainder = Numerator % Y.Significand;
  const TWide Next = Remainder << 64;
  const TWide Low = Next / Y.Significand;
  const bool Sticky = Next % Y.Significand != 0;
  const TWide Sig = (High << 64) | Low | static_cast<TWide>(Sticky);
  return RoundAndPack(Negative, X.E - Y.E + ExponentBias - 1 + Halved, Sig, Rounding);
}

TSoftExtended SoftSqrt(TSoftExtended A, TSoftRounding Rounding) {
  if (IsNaN(A))
    return PropagateNaN(A, A);
  if (IsZero(A))
    return A;
  if (Sign(A))
    return DefaultNaN();
  if (IsInf(A))
    return A;
  const TUnpacked X = Unpack(A);
  // A = N x 2^P with P even and N in [2^126, 2^128); the root is S x 2^(P/2)
  // with S = isqrt(N) in [2^63, 2^64), and N - S^2 tells the rounding: the
  // root is past S + 1/2 exactly when N - S^2 > S (a tie cannot occur).
  const int Unbiased = X.E - ExponentBias - 63;
  const int Shift = (Unbiased & 1) != 0 ? 63 : 64;
  const TWide N = static_cast<TWide>(X.Significand) << Shift;
  const int P = Unbiased - Shift;
  const double Estimate = std::sqrt(static_cast<double>(N));
  auto S = Estimate >= 0x1p64 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(Estimate);
  // The double root is within a few units of S; settle it exactly.
  while (S != 0 && static_cast<TWide>(S) * S > N)
    --S;
  while (S != ~std::uint64_t{0} && static_cast<TWide>(S + 1) * (S + 1) <= N)
    ++S;
  const TWide Remainder = N - static_cast<TWide>(S) * S;
  const bool Half = Remainder > S, Sticky = Remainder != 0;
  const TWide Sig = (static_cast<TWide>(S) << 64) | (static_cast<TWide>(Half) << 63) |
                    static_cast<TWide>(Sticky);
  return RoundAndPack(false, P / 2 + 63 + ExponentBias, Sig, Rounding);
}

int SoftCompare(TSoftExtended A, TSoftExtended B) {
  if (IsNaN(A) || IsNaN(B))
    return 2;
  if (IsZero(A) && IsZero(B))
    return 0;
  // Magnitudes order as their exponent and significand read as one number.
  const auto Magnitude = [](TSoftExtended X) {
    return (static_cast<TWide>(Exponent(X)) << 64) | X.Significand;
  };
  const int Order = Magnitude(A) < Magnitude(B) ? -1 : Magnitude(A) > Magnitude(B) ? 1 : 0;
  if (Sign(A) != Sign(B))
    return Sign(A) ? -1 : 1;
  return Sign(A) ? -Order : Order;
}

std::int64_t SoftRoundToWhole(TSoftExtended A) {
  if (IsZero(A) || Exponent(A) == MaxExponent)
    return 0;
  const TUnpacked X = Unpack(A);
  const int Power = X.E - ExponentBias; // A = Significand x 2^(Power - 63)
  if (Power < -1)
    return 0; // below one half
  std::uint64_t Whole = 0, Rest = X.Significand; // Rest: the fraction's bits, at the top
  if (Power >= 63) {
    Whole = X.Significand << (Power - 63);
    Rest = 0;
  } else if (Power >= 0) {
    Whole = X.Significand >> (63 - Power);
    Rest = X.Significand << (Power + 1);
  } else {
    Rest = X.Significand; // Power = -1: A in [1/2, 1)
  }
  const bool Half = (Rest >> 63) != 0, Sticky = (Rest << 1) != 0;
  if (Half && (Sticky || (Whole & 1) != 0))
    ++Whole;
  const auto Value = static_cast<std::int64_t>(Whole);
  return X.Negative ? -Value : Value;
}

TSoftExtended SoftFromDouble(double Value) {
  std::uint64_t Bits = 0;
  std::memcpy(&Bits, &Value, sizeof Bits);
  const bool Negative = (Bits >> 63) != 0;
  const int E = static_cast<int>((Bits >> 52) & 0x7FF);
  const std::uint64_t Fraction = Bits & ((std::uint64_t{1} << 52) - 1);
  if (E == 0x7FF) // an infinity, or a NaN, which loading quiets
    return Make(Negative, MaxExponent,
                IntegerBit | (Fraction << 11) | (Fraction != 0 ? std::uint64_t{1} << 62 : 0));
  if (E == 0) {
    if (Fraction == 0)
      return Zero(Negative);
    const int Shift = std::countl_zero(Fraction) - 11; // to bit 52
    return Make(Negative, 1 - 1023 + ExponentBias - Shift, (Fraction << Shift) << 11);
  }
  return Make(Negative, E - 1023 + ExponentBias, (IntegerBit | (Fraction << 11)));
}

double SoftToDouble(TSoftExtended A, TSoftRounding Rounding) {
  const bool Negative = Sign(A);
  const auto Pack = [Negative](std::uint64_t Exponent, std::uint64_t Fraction) {
    const std::uint64_t Bits = (std::uint64_t{Negative} << 63) | (Exponent << 52) | Fraction;
    double Value = 0;
    std::memcpy(&Value, &Bits, sizeof Value);
    return Value;
  };
  if (IsNaN(A))
    return Pack(0x7FF, ((A.Significand << 1) >> 12) | (std::uint64_t{1} << 51));
  if (IsInf(A))
    return Pack(0x7FF, 0);
  if (IsZero(A))
    return Pack(0, 0);
  const TUnpacked X = Unpack(A);
  int E = X.E - ExponentBias + 1023; // the double's biased exponent
  // Bits kept: 53, fewer for a double subnormal.
  const int Dropped = 11 + (E < 1 ? 1 - E : 0);
  if (E < 1)
    E = 0;
  std::uint64_t Kept = 0;
  bool Half = false, Sticky = true; // where every bit is dropped: below half
  if (Dropped == 64) {
    Half = true;
    Sticky = (X.Significand << 1) != 0;
  } else if (Dropped < 64) {
    Kept = X.Significand >> Dropped;
    Half = ((X.Significand >> (Dropped - 1)) & 1) != 0;
    Sticky = (X.Significand & ((std::uint64_t{1} << (Dropped - 1)) - 1)) != 0;
  }
  if (RoundsAway(Rounding, Negative, (Kept & 1) != 0, Half, Sticky)) {
    ++Kept;
    if (Kept == (std::uint64_t{1} << 53)) {
      Kept >>= 1;
      ++E;
    } else if (E == 0 && Kept == (std::uint64_t{1} << 52)) {
      E = 1;
    }
  }
  if (E >= 0x7FF) {
    const bool ToInfinity = Rounding == TSoftRounding::Nearest ||
                            (Rounding == TSoftRounding::Upward && !Negative) ||
                            (Rounding == TSoftRounding::Downward && Negative);
    return ToInfinity ? Pack(0x7FF, 0) : Pack(0x7FE, (std::uint64_t{1} << 52) - 1);
  }
  return Pack(static_cast<std::uint64_t>(E), Kept & ((std::uint64_t{1} << 52) - 1));
}
