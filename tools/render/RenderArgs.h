#pragma once

#include "View.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What gorvanel-render was asked to do.
struct TRenderArgs {
  enum class TAction { Render, Help, Version };
  TAction Action = TAction::Render;
  std::int32_t Width = DefaultImageWidth;
  std::int32_t Height = DefaultImageHeight;
  std::string Output;          // empty: no image file
  int Threads = 0;             // 0: every hardware thread
  bool Literal = false;
  bool Proofs = true;          // --no-proofs: iterate every sample
  bool Quiet = false;          // --quiet: no progress line
  TExtended Left = StartViewLeft;
  TExtended Top = StartViewTop;
  TExtended Bottom = StartViewBottom;
  std::optional<TExtended> Right; // derived from the aspect ratio when absent
};

// Malformed command lines: the message is one line, fit for stderr.
class TUsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Throws TUsageError.
TRenderArgs ParseRenderArgs(const std::vector<std::string>& Args);

// Reads Text as a whole number from Low to High; What names it in the
// message. Throws TUsageError.
long ParseWholeNumber(const std::string& Text, long Low, long High, const std::string& What);

// Reads a whole argument as an extended real (decimal or C hex-float, as
// strtold reads it). Throws TUsageError for anything else or a non-finite value.
TExtended ParseCoordinate(const std::string& Text);

extern const char* const RenderUsage;
