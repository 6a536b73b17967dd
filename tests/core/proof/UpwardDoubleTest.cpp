// The double that rounds upward in software (for WebAssembly's proofs)
// against the processor's upward rounding, on random operands of every
// size and sign, ties and exact results, and at both ends of the range.

#include "UpwardDouble.h"

#include "HardwareRounding.h"
#include "RandomDoubles.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

double Upward(TOperation Operation, double A, double B) {
  return Hardware(Operation, A, B, FE_UPWARD);
}

double Software(TOperation Operation, double A, double B) {
  const TUpwardDouble X = A, Y = B;
  switch (Operation) {
  case TOperation::Add: return (X + Y).Value();
  case TOperation::Subtract: return (X - Y).Value();
  case TOperation::Multiply: return (X * Y).Value();
  case TOperation::Divide: return (X / Y).Value();
  case TOperation::Sqrt: return SqrtUp(X).Value();
  }
  return 0;
}

// The upward rounding exactly, or one place above it.
void ExpectUpward(TOperation Operation, double A, double B) {
  const double Want = Upward(Operation, A, B), Got = Software(Operation, A, B);
  EXPECT_TRUE(UpwardOrAPlaceAbove(Got, Want))
      << "operation " << static_cast<int>(Operation) << std::hexfloat << " of " << A << " and "
      << B << ": " << Got << ", rounded upward " << Want;
}

// The double lanes' bounds, rounded to nearest and moved up: at or above
// the upward rounding of their sums and products of non-negative numbers,
// and within a few places of it.
void ExpectAboveNearest(TOperation Operation, double A, double B) {
  const double Want = Upward(Operation, A, B);
  const double Got = AboveNearest(Hardware(Operation, A, B, FE_TONEAREST));
  EXPECT_TRUE(Got >= Want && Got <= Want * (1 + 0x1p-50) + 0x1p-1072)
      << "operation " << static_cast<int>(Operation) << std::hexfloat << " of " << A << " and "
      << B << ": " << Got << ", rounded upward " << Want;
}

TEST(UpwardDoubleTest, AsTheProcessorRoundsUpward) {
  std::mt19937_64 Random(20261210);
  const double Max = std::numeric_limits<double>::max(), Tiny = std::numeric_limits<double>::denorm_min();
  const double Edges[] = {0.0, -0.0, 1.0, -1.0, 3.0, 0.1, -0.1, 1 + 0x1p-52, 1 - 0x1p-53, 0x1p-52,
                          Max, -Max, Tiny, -Tiny, 0x1p-1022, 0x1p-900, 0x1p512, -0x1p512};
  for (const double A : Edges)
    for (const double B : Edges)
      for (const TOperation Operation :
           {TOperation::Add, TOperation::Subtract, TOperation::Multiply, TOperation::Divide})
        ExpectUpward(Operation, A, B);
  for (const double A : Edges)
    for (const double B : Edges)
      for (const TOperation Operation : {TOperation::Add, TOperation::Multiply})
        ExpectAboveNearest(Operation, std::fabs(A), std::fabs(B));
  for (int K = 0; K < 200000; ++K) {
    const double A = RandomDouble(Random);
    const double B = SecondOperand(Random, A, K);
    for (const TOperation Operation :
         {TOperation::Add, TOperation::Subtract, TOperation::Multiply, TOperation::Divide})
      ExpectUpward(Operation, A, B);
    ExpectUpward(TOperation::Sqrt, std::fabs(A), 0);
    ExpectUpward(TOperation::Sqrt, std::fabs(A * A), 0); // exact roots
    for (const TOperation Operation : {TOperation::Add, TOperation::Multiply})
      ExpectAboveNearest(Operation, std::fabs(A), std::fabs(B));
    if (HasFailure())
      return;
  }
}

} // namespace
