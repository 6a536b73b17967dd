#pragma once

#include "ZoomView.h"

#include <optional>
#include <string>

// The view in the page's address: "view=LEFT,TOP,BOTTOM" in the fragment,
// each number as the render tool reads it (C hex-float as %La prints it
// holds the 80-bit value exactly; decimals are read too).

// Reads the fragment (with or without its '#'; percent escapes decoded).
// An empty fragment is the start view, as is one that only asks for a
// kernel ("kernel=gpu"). Anything that is not a view of
// finite edges and non-zero height, at the image size given, gives nothing
// and the reason, one sentence, in Error.
std::optional<TViewEdges> ReadAddress(const std::string& Fragment, std::int32_t Width,
                                      std::int32_t Height, std::string& Error);

// The fragment of a view, without '#': ReadAddress gives the view back.
std::string AddressOf(const TViewEdges& View);
