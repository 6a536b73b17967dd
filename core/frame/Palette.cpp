#include "Palette.h"

#include "Extended.h"

#include <cmath>
#include <mutex>

namespace {

TExtended HalfLog(std::int32_t N) { return Log(Sqrt(static_cast<TExtended>(N))); }

// ln sqrt N for N = 0, 1, 2, ... (the first two unused), kept for the
// life of the program: every frame asks for thousands of them, mostly the
// same ones, and where the logarithm is computed in software each costs
// microseconds (a wide palette took 8 ms, more than many a frame).
std::mutex HalfLogsLock;
std::vector<TExtended> HalfLogs;

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
  if (MinCount > MaxCount)
    return Palette;
  const auto Top = static_cast<std::size_t>(MaxCount - MinCount + 2);
  const std::lock_guard Guard(HalfLogsLock);
  HalfLogs.reserve(Top + 1);
  for (auto N = static_cast<std::int32_t>(HalfLogs.size()); HalfLogs.size() <= Top; ++N)
    HalfLogs.push_back(N < 2 ? TExtended{0} : HalfLog(N));
  const TExtended B = HalfLogs[Top];
  for (std::int32_t K = MinCount; K <= MaxCount; ++K)
    Palette[static_cast<std::size_t>(K)] =
        GreyLevel(HalfLogs[static_cast<std::size_t>(K - MinCount + 2)], B);
  return Palette;
}
