#include "ViewCommand.h"

#include "View.h"

#include <cstdio>

namespace {

std::string HexFloat(TExtended Value) {
  char Text[64];
  std::snprintf(Text, sizeof Text, "%La", Value);
  return Text;
}

} // namespace

std::string RenderCommand(TExtended Top, TExtended Left, TExtended Bottom, std::int32_t Width,
                          std::int32_t Height) {
  const TExtended Right = ViewRight(Top, Left, Bottom, Width, Height);
  return "gorvanel-render --size " + std::to_string(Width) + "x" + std::to_string(Height) +
         " -- " + HexFloat(Left) + " " + HexFloat(Top) + " " + HexFloat(Right) + " " +
         HexFloat(Bottom);
}
