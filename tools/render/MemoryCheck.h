#pragma once

#include <cstdint>

// About how many bytes a render of Width x Height takes at its peak (the
// count grid, the sample states, the image, and the copies a PNG file needs).
std::uint64_t RenderMemoryNeeded(std::int32_t Width, std::int32_t Height, bool Png);

// The bytes this process can still take: the memory the system says is
// available, within this process's address-space limit.
std::uint64_t MemoryAvailable();
