// The software real's sums and products for the GPU kernel's check
// (tests/web/gpu.mjs): built for WebAssembly beside the page's module, the
// full operations, rounding to nearest, on operands the check chooses.

#include "Extended.h"
#include "SoftExtended.h"

#include <cstdint>
#include <vector>

namespace {

// A real as the module stores it and the kernel reads it: the
// significand's low and high words, then the sign and exponent.
constexpr int Words = 4;
// Per pair: A x B, 2 x A x B, A + B, A - B and whether A + B is above 4
// (and again where both are positive, as for the kernel's escape test;
// else 2).
constexpr int Results = 5;

std::vector<std::uint32_t> Buffer;

TSoftExtended Read(const std::uint32_t* W) {
  return {W[0] | (std::uint64_t{W[1]} << 32), static_cast<std::uint16_t>(W[2])};
}

void Write(TSoftExtended X, std::uint32_t* W) {
  W[0] = static_cast<std::uint32_t>(X.Significand);
  W[1] = static_cast<std::uint32_t>(X.Significand >> 32);
  W[2] = X.SignExponent;
  W[3] = 0;
}

} // namespace

// Room for Pairs operand pairs and then their results.
extern "C" __attribute__((export_name("ops_buffer"))) std::uint32_t* ops_buffer(int Pairs) {
  Buffer.assign(static_cast<std::size_t>(Pairs) * Words * (2 + Results), 0);
  return Buffer.data();
}

extern "C" __attribute__((export_name("soft_ops"))) void soft_ops(int Pairs) {
  constexpr TSoftRounding Nearest = TSoftRounding::Nearest;
  std::uint32_t* Out = Buffer.data() + static_cast<std::size_t>(Pairs) * Words * 2;
  for (int K = 0; K < Pairs; ++K) {
    const TSoftExtended A = Read(&Buffer[static_cast<std::size_t>(K) * Words * 2]);
    const TSoftExtended B = Read(&Buffer[static_cast<std::size_t>(K) * Words * 2 + Words]);
    const TSoftExtended Product = SoftMultiply(A, B, Nearest);
    const TSoftExtended Sum = SoftAdd(A, B, Nearest);
    std::uint32_t* R = Out + static_cast<std::size_t>(K) * Words * Results;
    Write(Product, R);
    Write(SoftAdd(Product, Product, Nearest), R + Words);
    Write(Sum, R + 2 * Words);
    Write(SoftSubtract(A, B, Nearest), R + 3 * Words);
    Write({}, R + 4 * Words);
    R[4 * Words] = FromExtendedBits(Sum) > 4 ? 1 : 0;
    R[4 * Words + 1] = SoftExtended::Sign(A) || SoftExtended::Sign(B) ? 2 : R[4 * Words];
  }
}
