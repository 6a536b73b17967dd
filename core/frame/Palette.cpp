#include "Palette.h"

#include "Extended.h"

#include <cmath>

namespace {

TExtended HalfLog(std::int32_t N) { return Log(Sqrt(static_cast<TExtended>(N))); }

} // namespace

TColor GreyLevel(TExtended A, TExtended B) {
  const double R = static_cast<double>(A / B);
  const double F = static_cast<double>(static_cast<TExtended>(R) * static_cast<TExtended>(R));
  // 255 * F is exact in extended precision (8 + 53 bits < 64), rounded to
  // nearest with ties to even.
  const auto Level = static_cast<TColor>(RoundToWhole(255.0L * static_cast<TExtended>(F)));
  return Level + Level * 256 + Level * 65536;
}

TPalette BuildPalette(std::int32_t MinCount, std::int32_t MaxCount) {
  TPalette Palette(static_cast<std::size_t>(MaxCount) + 1, clBlack);
  const TExtended B = HalfLog(MaxCount - MinCount + 2);
  for (std::int32_t K = MinCount; K <= MaxCount; ++K)
    Palette[static_cast<std::size_t>(K)] = GreyLevel(HalfLog(K - MinCount + 2), B);
  return Palette;
}
