#include "SoftMath.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// Reading numbers where MPFR is not at hand (WebAssembly): the C library's
// strtold reads into IEEE quadruple precision, correctly rounded, and the
// quadruple is rounded again to the 64-bit significand. Both formats share
// the exponent range and bias, and every value of the extended format and
// every midpoint between two of them is a quadruple, so the second rounding
// gives what a single rounding would, unless the quadruple is itself such
// a midpoint: then the text may lie on either side of it, and it is not
// read.

static_assert(__LDBL_MANT_DIG__ == 113, "long double must be IEEE quadruple precision here");

using namespace SoftExtended;

TSoftExtended SoftFromText(const char* Text, const char** End) {
  char* Stop = nullptr;
  const long double Value = std::strtold(Text, &Stop);
  *End = Stop;
  unsigned __int128 Bits = 0;
  std::memcpy(&Bits, &Value, sizeof Bits);
  const bool Negative = (Bits >> 127) != 0;
  int E = static_cast<int>(Bits >> 112) & MaxExponent;
  unsigned __int128 Significand = Bits & ((static_cast<unsigned __int128>(1) << 112) - 1);
  if (E == MaxExponent)
    return Significand != 0 ? Make(Negative, MaxExponent, 0xC000000000000000u) : Infinity(Negative);
  if (E != 0)
    Significand |= static_cast<unsigned __int128>(1) << 112;
  // 113 bits to 64: 49 bits go, rounded to nearest, ties to even.
  constexpr int Dropped = 49;
  const auto Rest = static_cast<std::uint64_t>(Significand) & ((std::uint64_t{1} << Dropped) - 1);
  constexpr std::uint64_t Half = std::uint64_t{1} << (Dropped - 1);
  if (Rest == Half) {
    *End = Text;
    return Zero(false);
  }
  auto Kept = static_cast<std::uint64_t>(Significand >> Dropped);
  if (Rest > Half && ++Kept == 0) { // carried into the next power of two
    Kept = IntegerBit;
    ++E;
  }
  if (E == 0 && (Kept & IntegerBit) != 0)
    E = 1; // a subnormal rounded up to the least normal
  if (E >= MaxExponent)
    return Infinity(Negative);
  return Make(Negative, E, Kept);
}
