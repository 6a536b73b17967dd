#pragma once

#include "SoftExtended.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

// The software extended real's operations as its kernel (to nearest) and
// its proofs (upward) do them: the same results as SoftAdd and
// SoftMultiply, by a shorter road where it is safe.
namespace SoftFast {

inline constexpr TSoftRounding Nearest = TSoftRounding::Nearest;

// The fast path: operands whose exponents lie well inside the format, so
// that their sums and products are normal numbers (no zero, subnormal,
// infinity or NaN comes in or goes out, but an exact cancellation to zero,
// which is caught). Anything else takes the full operation. Within the fast
// path the rounding is done without branches.
using SoftExtended::TWide;
constexpr int ModerateLow = SoftExtended::ExponentBias - 4000;
constexpr unsigned ModerateSpan = 8000;

inline bool Moderate(TSoftExtended X) {
  return static_cast<unsigned>(SoftExtended::Exponent(X) - ModerateLow) <= ModerateSpan;
}

// Zeros take a shorter road as well: on the real axis every orbit's
// imaginary part stays zero, and the full operations' calls at every step
// cost more than the whole step. A zero here is a zero operand, and the
// other one a zero or a moderate number.
inline bool ZeroWithModerate(TSoftExtended Zero, TSoftExtended Other) {
  return SoftExtended::IsZero(Zero) && (SoftExtended::IsZero(Other) || Moderate(Other));
}
// The sum of A and B where one of them is such a zero: the other one
// exactly, or for two zeros their sign where they share it, else +0 (-0
// when rounding down).
inline TSoftExtended SumWithZero(TSoftExtended A, TSoftExtended B, TSoftRounding Rounding) {
  if (!SoftExtended::IsZero(A))
    return A;
  if (!SoftExtended::IsZero(B) || SoftExtended::Sign(A) == SoftExtended::Sign(B))
    return B;
  const bool Down = Rounding == TSoftRounding::Downward;
  return SoftExtended::Zero(Down);
}

// What is added below the last kept bit to round: the result carries into
// the kept bits exactly when the rounding moves away from zero.
inline std::uint64_t RoundingIncrement(TSoftRounding Rounding, bool Negative, std::uint64_t Odd) {
  switch (Rounding) {
  case TSoftRounding::Nearest:
    return (std::uint64_t{1} << 63) - 1 + Odd; // just under half, or half where odd
  case TSoftRounding::Upward:
    return Negative ? 0 : ~std::uint64_t{0}; // anything beyond
  case TSoftRounding::Downward:
    return Negative ? ~std::uint64_t{0} : 0;
  case TSoftRounding::TowardZero:
    break;
  }
  return 0;
}

// A x B, all 128 bits. WebAssembly has no such product: there it is built
// from four 32-bit products, which it has (a 128-bit multiply would be a
// call to a general routine).
inline TWide WideProduct(std::uint64_t A, std::uint64_t B) {
#ifdef __wasm__
  const std::uint64_t AL = A & 0xFFFFFFFFu, AH = A >> 32, BL = B & 0xFFFFFFFFu, BH = B >> 32;
  const std::uint64_t LL = AL * BL, LH = AL * BH, HL = AH * BL;
  const std::uint64_t Middle = (LL >> 32) + (LH & 0xFFFFFFFFu) + (HL & 0xFFFFFFFFu);
  const std::uint64_t High = AH * BH + (LH >> 32) + (HL >> 32) + (Middle >> 32);
  return (static_cast<TWide>(High) << 64) | ((Middle << 32) | (LL & 0xFFFFFFFFu));
#else
  return static_cast<TWide>(A) * B;
#endif
}

// V shifted up by 0 to 127 bits; in 64-bit words where a 128-bit shift by a
// variable is a call (WebAssembly).
inline TWide ShiftUp(TWide V, int Shift) {
#ifdef __wasm__
  const auto High = static_cast<std::uint64_t>(V >> 64), Low = static_cast<std::uint64_t>(V);
  if (Shift >= 64) [[unlikely]]
    return static_cast<TWide>(Low << (Shift - 64)) << 64;
  // Low >> 1 >> (63 - Shift) is Low >> (64 - Shift), and 0 at Shift 0,
  // without a branch: an addition carries out of the top (Shift 0) about
  // as often as not, which no branch predicts.
  return (static_cast<TWide>((High << Shift) | (Low >> 1 >> (63 - Shift))) << 64) | (Low << Shift);
#else
  return V << Shift;
#endif
}

// Sig x 2^(E - bias - 127), Sig's top bit set, rounded; the result is known
// to be normal.
inline TSoftExtended RoundNormal(bool Negative, int E, TWide Sig,
                                 TSoftRounding Rounding = Nearest) {
  // A carry out of the top leaves 1.0 x 2^(E + 1).
  const auto Odd = static_cast<std::uint64_t>(Sig >> 64) & 1;
  const TWide Rounded = Sig + RoundingIncrement(Rounding, Negative, Odd);
  const auto Carry = static_cast<std::uint64_t>(Rounded < Sig);
  const std::uint64_t High = static_cast<std::uint64_t>(Rounded >> 64) | (Carry << 63);
  return SoftExtended::Make(Negative, E + static_cast<int>(Carry), High);
}

// A x B, times 2^Scale (0, or 1 for the doubled product, which is exact),
// for normal operands whose product is normal, unchecked.
[[gnu::always_inline]] inline TSoftExtended MultiplyModerate(TSoftExtended A, TSoftExtended B,
                                                             int Scale = 0,
                                                             TSoftRounding Rounding = Nearest) {
  const TWide Exact = WideProduct(A.Significand, B.Significand);
  const int Top = static_cast<int>(Exact >> 127);
  const TWide Product = Top != 0 ? Exact : Exact << 1;
  return RoundNormal(SoftExtended::Sign(A) != SoftExtended::Sign(B),
                     SoftExtended::Exponent(A) + SoftExtended::Exponent(B) -
                         SoftExtended::ExponentBias + Top + Scale,
                     Product, Rounding);
}

// A x B, times 2^Scale, any operands.
[[gnu::always_inline]] inline TSoftExtended Multiply(TSoftExtended A, TSoftExtended B,
                                                     int Scale = 0,
                                                     TSoftRounding Rounding = Nearest) {
  if (!(Moderate(A) && Moderate(B))) [[unlikely]] {
    if (ZeroWithModerate(A, B) || ZeroWithModerate(B, A)) // exact, of the product's sign
      return SoftExtended::Zero(SoftExtended::Sign(A) != SoftExtended::Sign(B));
    const TSoftExtended Product = SoftMultiply(A, B, Rounding);
    return Scale == 0 ? Product : SoftAdd(Product, Product, Rounding);
  }
  return MultiplyModerate(A, B, Scale, Rounding);
}

// A + B for normal operands, or a zero beside a normal one, whose sum is
// normal or an exact zero, unchecked.
[[gnu::always_inline]] inline TSoftExtended AddModerate(TSoftExtended A, TSoftExtended B,
                                                        TSoftRounding Rounding = Nearest) {
  // X is the operand of the larger magnitude. Which one that is follows
  // the orbit, so no branch could predict it: it is chosen field by field.
  const int EA = SoftExtended::Exponent(A), EB = SoftExtended::Exponent(B);
  const bool Swap = (EA < EB) | ((EA == EB) & (A.Significand < B.Significand));
  const std::uint64_t XSignificand = Swap ? B.Significand : A.Significand;
  const std::uint64_t YSignificand = Swap ? A.Significand : B.Significand;
  const std::uint16_t XSignExponent = Swap ? B.SignExponent : A.SignExponent;
  const bool Negative = (XSignExponent >> 15) != 0;
  const bool Like = SoftExtended::Sign(A) == SoftExtended::Sign(B);
  const int Shift = std::min(Swap ? EB - EA : EA - EB, 127);
  // Y's significand sits 63 bits up, so a shift loses bits only past 63:
  // those of Y below bit Shift - 63, kept as a sticky bit (a subtraction
  // can bring them up to where a tie is told apart).
  const TWide SigX = static_cast<TWide>(XSignificand) << 63;
  // Shifted as 64-bit words: a wide shift by a variable costs more.
  TWide SigY;
  if (Shift < 64) [[likely]] {
    SigY = (static_cast<TWide>(YSignificand >> 1 >> Shift) << 64) | (YSignificand << (63 - Shift));
  } else {
    const bool Lost = (YSignificand << (127 - Shift)) != 0;
    SigY = (YSignificand >> 1 >> (Shift - 64)) | static_cast<std::uint64_t>(Lost);
  }
  const TWide Sum = Like ? SigX + SigY : SigX - SigY;
  if (Sum == 0) [[unlikely]] // an exact zero is -0 only when rounding down
    return SoftExtended::Zero(Rounding == TSoftRounding::Downward);
  const auto High = static_cast<std::uint64_t>(Sum >> 64);
  const int Leading = High != 0 ? std::countl_zero(High)
                                : 64 + std::countl_zero(static_cast<std::uint64_t>(Sum));
  return RoundNormal(Negative, (XSignExponent & SoftExtended::MaxExponent) + 1 - Leading,
                     ShiftUp(Sum, Leading), Rounding);
}

// A + B, any operands.
[[gnu::always_inline]] inline TSoftExtended Add(TSoftExtended A, TSoftExtended B,
                                                TSoftRounding Rounding = Nearest) {
  if (!(Moderate(A) && Moderate(B))) [[unlikely]] {
    if (ZeroWithModerate(A, B) || ZeroWithModerate(B, A))
      return SumWithZero(A, B, Rounding);
    return SoftAdd(A, B, Rounding);
  }
  return AddModerate(A, B, Rounding);
}

[[gnu::always_inline]] inline TSoftExtended Subtract(TSoftExtended A, TSoftExtended B,
                                                     TSoftRounding Rounding = Nearest) {
  if (!(Moderate(A) && Moderate(B))) [[unlikely]] {
    if (ZeroWithModerate(A, B) || ZeroWithModerate(B, A))
      return SumWithZero(A, SoftNegate(B), Rounding);
    return SoftSubtract(A, B, Rounding);
  }
  return AddModerate(A, SoftNegate(B), Rounding);
}

// A to double: a normal number whose double is normal, even once rounded
// away from zero, drops 11 bits; the rest takes SoftToDouble. The proofs
// convert at every step.
[[gnu::always_inline]] inline double ToDouble(TSoftExtended A, TSoftRounding Rounding = Nearest) {
  const int Normal = SoftExtended::Exponent(A) - SoftExtended::ExponentBias + 1023;
  if (!(Normal >= 1 && Normal < 0x7FE && (A.Significand >> 63) != 0)) [[unlikely]]
    return SoftToDouble(A, Rounding);
  const bool Negative = SoftExtended::Sign(A);
  std::uint64_t Kept = A.Significand >> 11;
  const std::uint64_t Rest = A.Significand << 53;
  Kept += static_cast<std::uint64_t>(Rest + RoundingIncrement(Rounding, Negative, Kept & 1) < Rest);
  const std::uint64_t Carry = Kept >> 53; // rounded up to the next power of two
  const std::uint64_t Bits = (std::uint64_t{Negative} << 63) |
                             ((static_cast<std::uint64_t>(Normal) + Carry) << 52) |
                             ((Kept >> Carry) & ((std::uint64_t{1} << 52) - 1));
  double Value = 0;
  std::memcpy(&Value, &Bits, sizeof Value);
  return Value;
}

} // namespace SoftFast
