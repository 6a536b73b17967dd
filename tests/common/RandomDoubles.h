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

// What the double that rounds upward in software may give for a result
// that the processor rounds upward to Want: that, or one place above.
inline bool UpwardOrAPlaceAbove(double Got, double Want) {
  if (std::isnan(Want))
    return std::isnan(Got);
  return Got == Want || Got == std::nextafter(Want, INFINITY);
}
