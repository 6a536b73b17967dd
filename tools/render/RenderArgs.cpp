#include "RenderArgs.h"

#include "ViewCommand.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

const char* const RenderUsage =
    "Usage: gorvanel-render [OPTIONS] [--] [LEFT TOP [RIGHT] BOTTOM]\n"
    "Renders a view of the Mandelbrot set exactly as the Gorvanel viewer shows it.\n"
    "With no coordinates it renders the start view; with three, the right edge\n"
    "is derived from the image's aspect ratio as the viewer does.\n"
    "\n"
    "  --size WxH       image size in pixels, 1..16384 each (default 577x353)\n"
    "  --output FILE    write the image as .png or .pgm (binary grey levels)\n"
    "  --threads N      render threads, 1..1024 (default: every hardware thread)\n"
    "  --literal        use the literal single-thread reference renderer\n"
    "  --no-proofs      iterate every sample instead of settling whole tiles by\n"
    "                   proofs (the picture is the same)\n"
    "  --quiet          no progress line (shown on stderr only when it is a terminal)\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Coordinates are read as strtold reads them (decimal or C hex-float), so a\n"
    "value printed with %.21Lg or %La reads back bit for bit. Negative numbers\n"
    "are coordinates, not options. Prints: limit=L min=MIN max=MAX ms=T\n"
    "Interrupted (SIGINT, SIGTERM), it leaves no file behind and exits with 130\n"
    "or 143; a render that would not fit in memory is refused before it starts.\n";

namespace {

constexpr std::int32_t MaxImageSide = 16384;
constexpr int MaxThreads = 1024;

} // namespace

long ParseWholeNumber(const std::string& Text, long Low, long High, const std::string& What) {
  if (Text.empty() || Text.size() > 9 ||
      !std::all_of(Text.begin(), Text.end(), [](unsigned char C) { return std::isdigit(C); }))
    throw TUsageError(What + " must be a whole number from " + std::to_string(Low) + " to " +
                      std::to_string(High) + ", not '" + Text + "'");
  const long Value = std::stol(Text);
  if (Value < Low || Value > High)
    throw TUsageError(What + " must be from " + std::to_string(Low) + " to " +
                      std::to_string(High) + ", not " + Text);
  return Value;
}

namespace {

void ParseSize(const std::string& Text, TRenderArgs& Args) {
  const auto X = Text.find('x');
  if (X == std::string::npos)
    throw TUsageError("size must have the form WxH (for example 577x353), not '" + Text + "'");
  Args.Width = static_cast<std::int32_t>(
      ParseWholeNumber(Text.substr(0, X), 1, MaxImageSide, "the width in --size"));
  Args.Height = static_cast<std::int32_t>(
      ParseWholeNumber(Text.substr(X + 1), 1, MaxImageSide, "the height in --size"));
}

bool LooksLikeNumber(const std::string& Text) {
  return Text.size() >= 2 && Text[0] == '-' &&
         (std::isdigit(static_cast<unsigned char>(Text[1])) || Text[1] == '.');
}

} // namespace

TExtended ParseCoordinate(const std::string& Text) {
  std::string Error;
  const std::optional<TExtended> Value = ReadCoordinate(Text, Error);
  if (!Value)
    throw TUsageError(Error);
  return *Value;
}

namespace {

bool TakesValue(const std::string& Name) {
  return Name == "--size" || Name == "--output" || Name == "--threads";
}

// Applies one option, its value already split off.
void ApplyOption(const std::string& Name, const std::string& Value, TRenderArgs& Args) {
  if (Name == "--size") {
    ParseSize(Value, Args);
  } else if (Name == "--output") {
    if (Value.empty())
      throw TUsageError("--output needs a file name");
    Args.Output = Value;
  } else if (Name == "--threads") {
    Args.Threads = static_cast<int>(ParseWholeNumber(Value, 1, MaxThreads, "--threads"));
  } else if (Name == "--literal") {
    Args.Literal = true;
  } else if (Name == "--no-proofs") {
    Args.Proofs = false;
  } else if (Name == "--quiet") {
    Args.Quiet = true;
  } else if (Name == "--help") {
    Args.Action = TRenderArgs::TAction::Help;
  } else if (Name == "--version") {
    Args.Action = TRenderArgs::TAction::Version;
  } else {
    throw TUsageError("unknown option '" + Name + "' (see --help)");
  }
}

// LEFT TOP [RIGHT] BOTTOM, or none for the start view.
void ApplyCoordinates(const std::vector<std::string>& Texts, TRenderArgs& Args) {
  std::vector<TExtended> Values;
  for (const std::string& Text : Texts)
    Values.push_back(ParseCoordinate(Text));
  if (Values.empty())
    return;
  if (Values.size() != 3 && Values.size() != 4)
    throw TUsageError("expected 3 or 4 coordinates (LEFT TOP [RIGHT] BOTTOM), got " +
                      std::to_string(Values.size()));
  Args.Left = Values[0];
  Args.Top = Values[1];
  Args.Bottom = Values.back();
  if (Values.size() == 4)
    Args.Right = Values[2];
}

} // namespace

TRenderArgs ParseRenderArgs(const std::vector<std::string>& Argv) {
  TRenderArgs Args;
  std::vector<std::string> Coordinates;
  bool OptionsEnded = false;
  for (std::size_t K = 0; K < Argv.size(); ++K) {
    const std::string& Arg = Argv[K];
    if (OptionsEnded || Arg.empty() || Arg[0] != '-' || Arg == "-" || LooksLikeNumber(Arg)) {
      Coordinates.push_back(Arg);
      continue;
    }
    if (Arg == "--") {
      OptionsEnded = true;
      continue;
    }
    const auto Eq = Arg.rfind("--", 0) == 0 ? Arg.find('=') : std::string::npos;
    const std::string Name = Arg.substr(0, Eq);
    std::string Value = Eq == std::string::npos ? std::string() : Arg.substr(Eq + 1);
    if (TakesValue(Name) && Eq == std::string::npos) {
      if (K + 1 >= Argv.size())
        throw TUsageError("option " + Name + " needs a value");
      Value = Argv[++K];
    } else if (!TakesValue(Name) && Eq != std::string::npos) {
      throw TUsageError("option " + Name + " takes no value");
    }
    ApplyOption(Name, Value, Args);
  }
  if (Args.Action == TRenderArgs::TAction::Render)
    ApplyCoordinates(Coordinates, Args);
  return Args;
}
