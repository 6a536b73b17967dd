#pragma once

#include "IsInSet.h"

#include <cstdint>

// The count the literal loop gives the point: its escape iteration, or 0
// when it does not escape within Limit. What every fast path must match.
inline std::int32_t LiteralCount(TExtended X, TExtended Y, std::int32_t Limit) {
  std::int32_t Count = 0;
  return IsInSet({X, Y}, Limit, Count) ? 0 : Count;
}
