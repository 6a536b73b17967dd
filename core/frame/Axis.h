#pragma once

#include "Extended.h"

#include <cstdint>
#include <vector>

// Sample coordinates that repeat (to the bit, or for rows also as exact
// negatives) are computed once; see FastPaths.md for why that is exact.
// Source[k] is the first index whose value stands for index k; Unique lists
// those first indices in order.
struct TAxis {
  std::vector<std::int32_t> Source;
  std::vector<std::int32_t> Unique;
};

// The axis of Values; with MirrorSign, values of opposite sign stand for
// each other too.
TAxis Deduplicate(const std::vector<TExtended>& Values, bool MirrorSign);
