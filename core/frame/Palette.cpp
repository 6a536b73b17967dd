#include "Palette.h"

#include "Extended.h"

#include <cmath>
#include <stdexcept>
#include <vector>
#ifdef GORVANEL_HALF_LOG_TABLE
#include "Raise.h"
#include GORVANEL_HALF_LOG_TABLE
#else
#include <mutex>
#endif

TExtended HalfLog(std::int32_t N) {
#ifdef GORVANEL_HALF_LOG_TABLE
  return FromExtendedBits(HalfLogTable[N]);
#else
  return Log(Sqrt(static_cast<TExtended>(N)));
#endif
}

namespace {

#ifdef GORVANEL_HALF_LOG_TABLE

// Without a logarithm at hand (WebAssembly), ln sqrt N comes from the
// table made at build time by the native build's HalfLog.
class THalfLogs {
public:
  explicit THalfLogs(std::size_t Top) {
    if (Top >= std::size(HalfLogTable))
      Raise(std::out_of_range("count range beyond the table of logarithms"));
  }
  TExtended operator[](std::size_t N) const { return HalfLog(static_cast<std::int32_t>(N)); }
};

#else

// ln sqrt N for N = 0, 1, 2, ... (the first two unused), kept for the
// life of the program: every frame asks for thousands of them, mostly the
// same ones, and where the logarithm is computed in software each costs
// microseconds (a wide palette took 8 ms, more than many a frame).
std::mutex HalfLogsLock;
std::vector<TExtended> HalfLogs;

// The values up to Top, held for the palette's use under the lock.
class THalfLogs {
public:
  explicit THalfLogs(std::size_t Top) : FGuard(HalfLogsLock) {
    HalfLogs.reserve(Top + 1);
    for (auto N = static_cast<std::int32_t>(HalfLogs.size()); HalfLogs.size() <= Top; ++N)
      HalfLogs.push_back(N < 2 ? TExtended{0} : HalfLog(N));
  }
  TExtended operator[](std::size_t N) const { return HalfLogs[N]; }

private:
  std::lock_guard<std::mutex> FGuard;
};

#endif

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
  const THalfLogs HalfLogs(Top);
  const TExtended B = HalfLogs[Top];
  for (std::int32_t K = MinCount; K <= MaxCount; ++K)
    Palette[static_cast<std::size_t>(K)] =
        GreyLevel(HalfLogs[static_cast<std::size_t>(K - MinCount + 2)], B);
  return Palette;
}
