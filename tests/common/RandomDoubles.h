#pragma once

#include <cmath>
#include <random>

// Random doubles for checks of rounding: every size from the subnormals to
// near the largest, both signs, powers of two among them; and second
// operands near the first (cancellation) or half a place of it away (ties).
inline double RandomDouble(std::mt19937_64& Random) {
  const int Exponent = static_cast<int>(Random() % 2100) - 1075;
  const double Significand = 1 + static_cast<double>(Random() >> 11) * 0x1p-53;
  const double Value = std::ldexp(Random() % 8 == 0 ? 1.0 : Significand, Exponent % 1100);
  return Random() % 2 ? -Value : Value;
}

inline double SecondOperand(std::mt19937_64& Random, double A, int K) {
  return K % 3 == 0   ? A * (1 + static_cast<double>(Random() % 64) * 0x1p-52)
         : K % 3 == 1 ? std::ldexp(A, -53 - static_cast<int>(Random() % 3))
                      : RandomDouble(Random);
}

// Where the double that rounds upward in software may give one place more
// than upward rounding: results near the bottom of the range, quotients of
// a dividend there, and operands or results near the top.
inline bool NearTheEnds(bool Quotient, double A, double B, double Result) {
  constexpr double Bottom = 0x1p-890, Top = 0x1p990;
  return std::fabs(Result) < Bottom || std::fabs(Result) > Top || std::fabs(A) > Top ||
         std::fabs(B) > Top || (Quotient && std::fabs(A) < Bottom);
}
