#include "ViewCommand.h"

#include "View.h"

#include <cctype>

std::string RenderCommand(TExtended Top, TExtended Left, TExtended Bottom, std::int32_t Width,
                          std::int32_t Height) {
  const TExtended Right = ViewRight(Top, Left, Bottom, Width, Height);
  return "gorvanel-render --size " + std::to_string(Width) + "x" + std::to_string(Height) +
         " -- " + HexFloatText(Left) + " " + HexFloatText(Top) + " " + HexFloatText(Right) + " " +
         HexFloatText(Bottom);
}

std::optional<TExtended> ReadCoordinate(const std::string& Text, std::string& Error) {
  const char* End = Text.c_str();
  const TExtended Value = Text.empty() || std::isspace(static_cast<unsigned char>(Text[0]))
                              ? TExtended{0}
                              : ReadExtended(Text.c_str(), &End);
  if (End == Text.c_str())
    Error = "'" + Text + "' is not a number";
  else if (*End != '\0')
    Error = "unexpected characters '" + std::string(End) + "' after the number in '" + Text + "'";
  else if (!IsFinite(Value))
    Error = "'" + Text + "' is not a finite extended-precision number";
  else
    return Value;
  return std::nullopt;
}
