#pragma once

#include <cstdint>
#include <limits>

// Every coordinate and every step of the iteration is an x87 80-bit extended
// real (64-bit significand, round-to-nearest-even). On x86-64 Linux that is
// what GCC and Clang make of long double; anywhere else the pictures would
// differ, so refuse to build there.
using TExtended = long double;
static_assert(std::numeric_limits<TExtended>::digits == 64,
              "Gorvanel needs long double to be the x87 80-bit extended format "
              "(64-bit significand); build with GCC or Clang on x86-64 Linux");

// A point of the complex plane, or a corner of a view.
struct TExtPoint {
  TExtended X = 0; // real part
  TExtended Y = 0; // imaginary part
};

// The view the program opens on, and the view's derived right edge: one
// pixel covers the same distance horizontally and vertically.
inline constexpr TExtended StartViewTop = 1.25L;
inline constexpr TExtended StartViewLeft = -2.5L;
inline constexpr TExtended StartViewBottom = -1.25L;

// Multiplies before dividing, in extended precision, as the viewer always has.
inline TExtended ViewRight(TExtended Top, TExtended Left, TExtended Bottom, std::int32_t Width,
                           std::int32_t Height) {
  return (Top - Bottom) * static_cast<TExtended>(Width) / static_cast<TExtended>(Height) + Left;
}
