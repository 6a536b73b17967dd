// The double that rounds upward in software, where it is used: built for
// WebAssembly beside the page's module and run by Node.js
// (tests/web/module.mjs). The reference is the software real rounding
// upward, to 64 bits and then to 53: rounding up twice is rounding up
// once, as the 53-bit grid lies within the 64-bit one.

#include "Extended.h"
#include "UpwardDouble.h"

#include "RandomDoubles.h"

#include <cmath>
#include <cstdint>
#include <random>

namespace {

// The software real's result, rounded upward, as a double rounded upward.
template <class TOperation> double Reference(TOperation Operation) {
  SoftRoundingMode = TSoftRounding::Upward;
  const auto Result = static_cast<double>(Operation());
  SoftRoundingMode = TSoftRounding::Nearest;
  return Result;
}

bool Agrees(TUpwardDouble Got, double Want) { return UpwardOrAPlaceAbove(Got.Value(), Want); }

} // namespace

// How many of Count random operations (sums, differences, products,
// quotients and roots) disagree with the reference.
extern "C" __attribute__((export_name("check_upward"))) int check_upward(int Count) {
  std::mt19937_64 Random(20261210);
  int Disagreements = 0;
  for (int K = 0; K < Count; ++K) {
    const double A = RandomDouble(Random);
    const double B = SecondOperand(Random, A, K);
    const TExtended X = A, Y = B, Root = std::fabs(A);
    const TUpwardDouble UA = A, UB = B;
    Disagreements += !Agrees(UA + UB, Reference([&] { return X + Y; }));
    Disagreements += !Agrees(UA - UB, Reference([&] { return X - Y; }));
    Disagreements += !Agrees(UA * UB, Reference([&] { return X * Y; }));
    Disagreements += !Agrees(UA / UB, Reference([&] { return X / Y; }));
    Disagreements += !Agrees(SqrtUp(TUpwardDouble(std::fabs(A))), Reference([&] { return Sqrt(Root); }));
  }
  return Disagreements;
}
