#pragma once

#include "Extended.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

// A double whose arithmetic rounds upward, for machines whose processor
// cannot be asked to (WebAssembly rounds every operation to nearest). Each
// operation rounds to nearest and moves one place up: the nearest double
// lies within half a place of the exact result, so the next one up lies
// above it. So every result is the upward rounding of the exact one, or one
// place above it (where the exact result is a double, or the nearest was
// above already), an upper bound a place looser at most, for the cost of
// the rounded operation and an integer addition. (Finding what the
// rounding lost exactly, by the error-free sum and Dekker's product, gave
// upward rounding to the bit, at two to three times the proofs' cost.) A
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
    return Above(A.FValue + B.FValue, A.FValue, B.FValue);
  }
  friend TUpwardDouble operator-(TUpwardDouble A, TUpwardDouble B) { return A + -B; }
  friend TUpwardDouble operator*(TUpwardDouble A, TUpwardDouble B) {
    return Above(A.FValue * B.FValue, A.FValue, B.FValue);
  }
  friend TUpwardDouble operator/(TUpwardDouble A, TUpwardDouble B) {
    const double Q = A.FValue / B.FValue;
    if (B.FValue == 0) // an exact infinity (or NaN)
      return Q;
    return Above(Q, A.FValue, B.FValue);
  }
  friend TUpwardDouble SqrtUp(TUpwardDouble A) {
    const double S = std::sqrt(A.FValue);
    return S == 0 ? S : Above(S, A.FValue, 0);
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
  // The next double above R, a result of A and B rounded to nearest; an
  // infinite or NaN result stays, but a negative overflow of finite
  // operands is the most negative double.
  static double Above(double R, double A, double B) {
    if (!std::isfinite(R)) {
      if (R == -std::numeric_limits<double>::infinity() && std::isfinite(A) && std::isfinite(B))
        return std::numeric_limits<double>::lowest();
      return R;
    }
    if (R == 0)
      return std::numeric_limits<double>::denorm_min();
    const auto Bits = std::bit_cast<std::uint64_t>(R);
    return std::bit_cast<double>(R > 0 ? Bits + 1 : Bits - 1);
  }

  double FValue = 0;
};

// A number above every non-negative exact result whose rounding to nearest
// is V: at or above the next double up from V. For a normal V the product
// by 1 + 2^-52 is at least V plus its place, and rounding to nearest keeps
// it there; the smallest subnormal added covers zero and the subnormals.
// Where upward rounding is done in software, the double lanes' bounds,
// rounded to nearest two at a time, are moved up so (T: double or a vector
// of them).
template <class T> T AboveNearest(T V) {
  return V * (1 + 0x1p-52) + std::numeric_limits<double>::denorm_min();
}
