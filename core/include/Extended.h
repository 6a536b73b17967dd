#pragma once

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
