#include "IterationLimit.h"

#include <array>

namespace {

struct TLimitRow {
  TExtended HeightAbove; // the row applies when the height is strictly greater
  std::int32_t Limit;
};

// The long double literals are the nearest extended values to the powers of
// ten; the jump from 50 straight to 1000 is deliberate.
constexpr std::array<TLimitRow, 10> LimitTable{{
    {1.0L, 50},
    {1e-2L, 1000},
    {1e-3L, 2000},
    {1e-4L, 3000},
    {1e-5L, 4000},
    {1e-6L, 5000},
    {1e-7L, 6000},
    {1e-8L, 7000},
    {1e-9L, 8000},
    {1e-10L, 9000},
}};

} // namespace

std::int32_t IterationLimit(TExtended Height) {
  for (const TLimitRow& Row : LimitTable)
    if (Height > Row.HeightAbove)
      return Row.Limit;
  return MaxIterationLimit; // also for a zero, negative or NaN height
}
