#pragma once

#include "Extended.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

// A double whose arithmetic rounds upward, for machines whose processor
// cannot be asked to (WebAssembly rounds every operation to nearest). Each
// operation rounds to nearest, finds the sign of what that rounding lost
// (exactly: by the error-free sum, or by a fused multiply-add, which the C
// library computes correctly) and moves up one place where it lost
// something above; where the lost part cannot be found exactly (products
// and quotients near the bottom of the range, and quotients of a dividend
// there) it moves up anyway, which is still an upper bound. So every result is the upward rounding of the exact one, or above
// it by one place; a negative overflow gives the most negative double, as
// upward rounding does.
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
    if (std::fabs(P) < Exact)
      return Up(P);
    return std::fma(A.FValue, B.FValue, -P) > 0 ? Up(P) : P;
  }
  friend TUpwardDouble operator/(TUpwardDouble A, TUpwardDouble B) {
    const double Q = A.FValue / B.FValue;
    if (B.FValue == 0) // an exact infinity (or NaN)
      return Q;
    if (!std::isfinite(Q))
      return Overflowed(Q, A.FValue, B.FValue);
    if (std::fabs(Q) < Exact || std::fabs(A.FValue) < Exact)
      return Up(Q);
    // A - Q B, exactly: the quotient lies above Q where it has B's sign.
    const double Rest = std::fma(-Q, B.FValue, A.FValue);
    return Rest != 0 && (Rest > 0) == (B.FValue > 0) ? Up(Q) : Q;
  }
  friend TUpwardDouble SqrtUp(TUpwardDouble A) {
    const double S = std::sqrt(A.FValue);
    if (!std::isfinite(S) || S == 0)
      return S;
    if (A.FValue < Exact) // scaled by an even power of two, which is exact
      return SqrtUp(TUpwardDouble(A.FValue * 0x1p200)).FValue * 0x1p-100;
    return std::fma(-S, S, A.FValue) > 0 ? Up(S) : S;
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
