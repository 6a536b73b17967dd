#pragma once

#include "Extended.h"

#include <cstdint>

// The deeper the view, the more iterations: 50 for views higher than 1, then
// 1000 and up by 1000 for each decade below 0.01, to 10000 at 1e-10 and
// below. Only the height counts; it is compared in extended precision.
std::int32_t IterationLimit(TExtended Height);

inline constexpr std::int32_t MaxIterationLimit = 10000;
