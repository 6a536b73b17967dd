#pragma once

#include <cstdint>
#include <string>

// While it lives, SIGINT and SIGTERM remove the given temporary file (if
// any) and end the program with status 128 + the signal (130, 143), as a
// shell expects of an interrupted command.
class TInterruptCleanup {
public:
  explicit TInterruptCleanup(const std::string& TemporaryFile);
  ~TInterruptCleanup();
  TInterruptCleanup(const TInterruptCleanup&) = delete;
  TInterruptCleanup& operator=(const TInterruptCleanup&) = delete;
};

// About how many bytes a render of Width x Height takes at its peak (the
// count grid, the sample states, the image, and the copies a PNG file needs).
std::uint64_t RenderMemoryNeeded(std::int32_t Width, std::int32_t Height, bool Png);

// The bytes this process can still take: the memory the system says is
// available, within this process's address-space limit.
std::uint64_t MemoryAvailable();
