// Writes the palette's logarithms, ln sqrt N for every N a palette asks
// for, as C++ source: the WebAssembly module has no logarithm of its own,
// and so takes the very values that this build's palette computes.

#include "IterationLimit.h"
#include "Palette.h"

#include <cinttypes>
#include <cstdio>

int main() {
  std::printf("// Made by gorvanel-half-logs: ln sqrt N for N from 0 (0 below 2).\n"
              "inline constexpr TSoftExtended HalfLogTable[] = {\n");
  // A count range spans at most the highest limit; its logarithms reach
  // its width plus 2.
  for (std::int32_t N = 0; N <= MaxIterationLimit + 2; ++N) {
    const TSoftExtended Bits = ExtendedBits(N < 2 ? TExtended{0} : HalfLog(N));
    std::printf("    {0x%016" PRIx64 "u, 0x%04xu},\n", Bits.Significand, Bits.SignExponent);
  }
  std::printf("};\n");
}
