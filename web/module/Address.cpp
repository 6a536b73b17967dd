#include "Address.h"

#include "View.h"
#include "ViewCommand.h"

#include <cctype>
#include <cstddef>
#include <vector>

namespace {

// Far more than any view needs (three numbers of a few dozen characters);
// a longer address is refused before anything is read from it.
constexpr std::size_t MaxFragment = 600;
constexpr char ViewKey[] = "view=";
// What else an address may hold: the kernel the page computes with, read by
// the page's script.
constexpr char KernelKey[] = "kernel=";

int HexValue(char C) {
  if (C >= '0' && C <= '9')
    return C - '0';
  const char Lower = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return Lower >= 'a' && Lower <= 'f' ? Lower - 'a' + 10 : -1;
}

// %XX escapes decoded; a malformed escape or an escaped NUL gives nothing.
std::optional<std::string> Unescape(const std::string& Text) {
  std::string Plain;
  for (std::size_t K = 0; K < Text.size(); ++K) {
    if (Text[K] != '%') {
      Plain += Text[K];
      continue;
    }
    const int High = K + 2 < Text.size() ? HexValue(Text[K + 1]) : -1;
    const int Low = K + 2 < Text.size() ? HexValue(Text[K + 2]) : -1;
    if (High < 0 || Low < 0 || High * 16 + Low == 0)
      return std::nullopt;
    Plain += static_cast<char>(High * 16 + Low);
    K += 2;
  }
  return Plain;
}

std::vector<std::string> Split(const std::string& Text, char Separator) {
  std::vector<std::string> Parts(1);
  for (const char C : Text)
    if (C == Separator)
      Parts.emplace_back();
    else
      Parts.back() += C;
  return Parts;
}

} // namespace

std::optional<TViewEdges> ReadAddress(const std::string& Fragment, std::int32_t Width,
                                      std::int32_t Height, std::string& Error) {
  std::string Text = Fragment.starts_with('#') ? Fragment.substr(1) : Fragment;
  if (Text.empty())
    return TViewEdges{StartViewTop, StartViewLeft, StartViewBottom};
  if (Text.size() > MaxFragment) {
    Error = "The address is too long to hold a view.";
    return std::nullopt;
  }
  const std::optional<std::string> Plain = Unescape(Text);
  if (!Plain) {
    Error = "The address has a malformed %-escape.";
    return std::nullopt;
  }
  std::optional<std::string> Value;
  bool OnlyKernel = true;
  for (const std::string& Part : Split(*Plain, '&')) {
    if (Part.starts_with(ViewKey))
      Value = Part.substr(sizeof ViewKey - 1);
    OnlyKernel = OnlyKernel && Part.starts_with(KernelKey);
  }
  if (!Value && OnlyKernel)
    return TViewEdges{StartViewTop, StartViewLeft, StartViewBottom};
  if (!Value) {
    Error = "The address holds no view=LEFT,TOP,BOTTOM.";
    return std::nullopt;
  }
  const std::vector<std::string> Numbers = Split(*Value, ',');
  if (Numbers.size() != 3) {
    Error = "A view is three numbers, LEFT,TOP,BOTTOM, not " + std::to_string(Numbers.size()) + ".";
    return std::nullopt;
  }
  TExtended Edges[3];
  for (int K = 0; K < 3; ++K) {
    std::string Why;
    const std::optional<TExtended> Edge = ReadCoordinate(Numbers[static_cast<std::size_t>(K)], Why);
    if (!Edge) {
      Error = "In the view's " + std::string(K == 0 ? "left" : K == 1 ? "top" : "bottom") +
              " edge: " + Why + ".";
      return std::nullopt;
    }
    Edges[K] = *Edge;
  }
  const TViewEdges View{Edges[1], Edges[0], Edges[2]};
  if (View.Top == View.Bottom) {
    Error = "The view's top and bottom are the same: it has no height.";
    return std::nullopt;
  }
  if (!IsFinite(View.Top - View.Bottom) ||
      !IsFinite(ViewRight(View.Top, View.Left, View.Bottom, Width, Height))) {
    Error = "The view's edges are out of range: its height or right edge is not finite.";
    return std::nullopt;
  }
  return View;
}

std::string AddressOf(const TViewEdges& View) {
  return ViewKey + HexFloatText(View.Left) + "," + HexFloatText(View.Top) + "," +
         HexFloatText(View.Bottom);
}
