#pragma once

#include "Bitmap.h"
#include "Extended.h"
#include "IterationLimit.h"

#include <cstdint>
#include <vector>

// Grey level for every escape count of a frame, indexed by count; entries
// outside MinCount..MaxCount stay 0 and are never read.
using TPalette = std::vector<TColor>;

// MinCount and MaxCount before any sample escaped: with these, no entry is
// filled and the frame is black. No count exceeds the highest limit.
inline constexpr std::int32_t NoMinCount = MaxIterationLimit;
inline constexpr std::int32_t NoMaxCount = 0;

// ln sqrt N, as the palette takes it (N from 2).
TExtended HalfLog(std::int32_t N);

// The grey level of a count from A = ln sqrt(count - MinCount + 2) and
// B = ln sqrt(MaxCount - MinCount + 2), the palette's two logarithms.
TColor GreyLevel(TExtended A, TExtended B);

// Spreads the counts MinCount..MaxCount over grey levels on a logarithmic
// scale, from dark (early escape) to white (MaxCount). The ratio is narrowed
// to double precision where the original program did, so the levels match it
// to the last bit.
TPalette BuildPalette(std::int32_t MinCount, std::int32_t MaxCount);
