#include "ViewCommand.h"

#include "View.h"

std::string RenderCommand(TExtended Top, TExtended Left, TExtended Bottom, std::int32_t Width,
                          std::int32_t Height) {
  const TExtended Right = ViewRight(Top, Left, Bottom, Width, Height);
  return "gorvanel-render --size " + std::to_string(Width) + "x" + std::to_string(Height) +
         " -- " + HexFloatText(Left) + " " + HexFloatText(Top) + " " + HexFloatText(Right) + " " +
         HexFloatText(Bottom);
}
