#pragma once

#include "Extended.h"

#include <cstdint>
#include <optional>
#include <string>

// The gorvanel-render command line that renders a view of the viewer exactly:
// the edges in C hex-float, which strtold reads back to the bit, the right
// edge derived as the viewer derives it, and the image size.
std::string RenderCommand(TExtended Top, TExtended Left, TExtended Bottom, std::int32_t Width,
                          std::int32_t Height);

// Reads a whole text as one coordinate of that command line: decimal or C
// hex-float as strtold reads it, and finite. Gives the value, or nothing
// with the reason in Error (one line).
std::optional<TExtended> ReadCoordinate(const std::string& Text, std::string& Error);
