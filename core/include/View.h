#pragma once

#include "Extended.h"

#include <cstdint>

// The view the program opens on, and the view's derived right edge: one
// pixel covers the same distance horizontally and vertically.
inline constexpr TExtended StartViewTop = 1.25L;
inline constexpr TExtended StartViewLeft = -2.5L;
inline constexpr TExtended StartViewBottom = -1.25L;

// The image the viewer shows at 96 pixels per inch, and the render tool's
// default size.
inline constexpr std::int32_t DefaultImageWidth = 577;
inline constexpr std::int32_t DefaultImageHeight = 353;

// Multiplies before dividing, in extended precision, as the viewer always has.
inline TExtended ViewRight(TExtended Top, TExtended Left, TExtended Bottom, std::int32_t Width,
                           std::int32_t Height) {
  return (Top - Bottom) * static_cast<TExtended>(Width) / static_cast<TExtended>(Height) + Left;
}
