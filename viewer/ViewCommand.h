#pragma once

#include "Extended.h"

#include <cstdint>
#include <string>

// The gorvanel-render command line that renders a view of the viewer exactly:
// the edges in C hex-float, which strtold reads back to the bit, the right
// edge derived as the viewer derives it, and the image size.
std::string RenderCommand(TExtended Top, TExtended Left, TExtended Bottom, std::int32_t Width,
                          std::int32_t Height);
