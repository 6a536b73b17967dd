#pragma once

#include "Extended.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

// A double whose arithmetic rounds upward, for machines whose processor
// cannot be asked to (WebAssembly rounds every operation to nearest). Each
// operation rounds to nearest, finds the sign of what that rounding lost,
// exactly (by the error-free sum, or by Dekker's exact product for
// products, quotients and roots), and moves up one place where it lost
// something above. Where the lost part cannot be found so (products and
// quotients near either end of the range, and quotients of a dividend near
// the bottom) it moves up anyway, which is still an upper bound. So every
// result is the upward rounding of the exact one, or one place above it; a
// negative overflow gives the most negative double, as upward rounding
// does.
class TUpwardDouble {
public:
  constexpr TUpwardDouble() = default;
  constexpr TUpwardDouble(double V) : FValue(V) {}
  constexpr TUpwardDouble(int V) : FValue(V) {}

  // From and to the extended real: rounded as it rounds (upward, in the
  // proofs), and exactly.
  explicit TUpwardDouble(TExtended V) : FValue(static_cast<double>(V)) {}
  explicit operator TExtended() const { return FValue; }
  explicit operator double() const { return FValue; }

  constexpr double Value() const { return FValue; }

  friend TUpwardDouble operator-(TUpwardDouble A) { return -A.FValue; }
  friend TUpwardDouble operator+(TUpwardDouble A, TUpwardDouble B) {
    const double S = A.FValue + B.FValue;
    if (!std::isfinite(S))
      return Overflowed(S, A.FValue, B.FValue);
    const double T = S - A.FValue;
    const double Lost = (A.FValue - (S - T)) + (B.FValue - T);
    return Lost > 0 ? Up(S) : S;
  }
  friend TUpwardDouble operator-(TUpwardDouble A, TUpwardDouble B) { return A + -B; }
  friend TUpwardDouble operator*(TUpwardDouble A, TUpwardDouble B) {
    const double P = A.FValue * B.FValue;
    if (!std::isfinite(P))
      return Overflowed(P, A.FValue, B.FValue);
    if (!Splits(A.FValue, B.FValue, P))
      return Up(P);
    return ProductError(A.FValue, B.FValue, P) > 0 ? Up(P) : P;
  }
  friend TUpwardDouble operator/(TUpwardDouble A, TUpwardDouble B) {
    const double Q = A.FValue / B.FValue;
    if (B.FValue == 0) // an exact infinity (or NaN)
      return Q;
    if (!std::isfinite(Q))
      return Overflowed(Q, A.FValue, B.FValue);
    const double P = Q * B.FValue;
    if (std::fabs(A.FValue) < Exact || !Splits(Q, B.FValue, P))
      return Up(Q);
    // A - Q B = (A - P) - (Q B - P), the first exactly (P is within a
    // factor 2 of A), and the sign of their difference is the sign of its
    // rounding: the quotient lies above Q where that rest has B's sign.
    const double Rest = (A.FValue - P) - ProductError(Q, B.FValue, P);
    return Rest != 0 && (Rest > 0) == (B.FValue > 0) ? Up(Q) : Q;
  }
  friend TUpwardDouble SqrtUp(TUpwardDouble A) {
    const double S = std::sqrt(A.FValue);
    if (!std::isfinite(S) || S == 0)
      return S;
    if (A.FValue < Exact) // scaled by an even power of two, which is exact
      return SqrtUp(TUpwardDouble(A.FValue * 0x1p200)).FValue * 0x1p-100;
    const double P = S * S; // within a factor 2 of A, as above
    return (A.FValue - P) - ProductError(S, S, P) > 0 ? Up(S) : S;
  }
  friend TUpwardDouble fabs(TUpwardDouble A) { return std::fabs(A.FValue); }

  friend bool operator==(TUpwardDouble A, TUpwardDouble B) { return A.FValue == B.FValue; }
  friend bool operator<(TUpwardDouble A, TUpwardDouble B) { return A.FValue < B.FValue; }
  friend bool operator<=(TUpwardDouble A, TUpwardDouble B) { return A.FValue <= B.FValue; }
  friend bool operator>(TUpwardDouble A, TUpwardDouble B) { return A.FValue > B.FValue; }
  friend bool operator>=(TUpwardDouble A, TUpwardDouble B) { return A.FValue >= B.FValue; }

  TUpwardDouble& operator+=(TUpwardDouble B) { return *this = *this + B; }
  TUpwardDouble& operator*=(TUpwardDouble B) { return *this = *this * B; }

private:
  // Below this a product's or quotient's lost part may itself be lost.
  static constexpr double Exact = 0x1p-900;
  // Above this, splitting a factor in halves overflows, and so may the
  // product of the larger halves, just above the product.
  static constexpr double Huge = 0x1p995;

  // Whether ProductError is exact for A x B rounded to P.
  static bool Splits(double A, double B, double P) {
    return std::fabs(P) >= Exact && std::fabs(P) <= Huge && std::fabs(A) <= Huge &&
           std::fabs(B) <= Huge;
  }
  // A x B - P, exactly, by Dekker's product: each factor split into halves
  // of 26 bits, whose products are exact (rounding to nearest, no fused
  // operations: the project builds without contraction).
  static double ProductError(double A, double B, double P) {
    constexpr double Split = 0x1p27 + 1;
    const double CA = Split * A, AH = CA - (CA - A), AL = A - AH;
    const double CB = Split * B, BH = CB - (CB - B), BL = B - BH;
    return ((AH * BH - P) + AH * BL + AL * BH) + AL * BL;
  }

  // The next double up.
  static double Up(double V) {
    if (V == 0)
      return std::numeric_limits<double>::denorm_min();
    const auto Bits = std::bit_cast<std::uint64_t>(V);
    return std::bit_cast<double>(V > 0 ? Bits + 1 : Bits - 1);
  }
  // An infinite or NaN result: a negative overflow of finite operands is
  // the most negative double.
  static double Overflowed(double R, double A, double B) {
    if (R == -std::numeric_limits<double>::infinity() && std::isfinite(A) && std::isfinite(B))
      return std::numeric_limits<double>::lowest();
    return R;
  }

  double FValue = 0;
};
