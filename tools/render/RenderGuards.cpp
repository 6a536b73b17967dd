#include "RenderGuards.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

namespace {

// What the handler needs, kept where it can read it without allocating.
char TemporaryPath[4096];
struct sigaction PreviousInt, PreviousTerm;

extern "C" void RemoveAndExit(int Signal) {
  if (TemporaryPath[0] != '\0')
    unlink(TemporaryPath); // async-signal-safe, as is _exit
  _exit(128 + Signal);
}

} // namespace

TInterruptCleanup::TInterruptCleanup(const std::string& TemporaryFile) {
  const std::size_t Length = std::min(TemporaryFile.size(), sizeof TemporaryPath - 1);
  std::memcpy(TemporaryPath, TemporaryFile.data(), Length);
  TemporaryPath[Length] = '\0';
  struct sigaction Action {};
  Action.sa_handler = RemoveAndExit;
  sigemptyset(&Action.sa_mask);
  sigaction(SIGINT, &Action, &PreviousInt);
  sigaction(SIGTERM, &Action, &PreviousTerm);
}

TInterruptCleanup::~TInterruptCleanup() {
  sigaction(SIGINT, &PreviousInt, nullptr);
  sigaction(SIGTERM, &PreviousTerm, nullptr);
  TemporaryPath[0] = '\0';
}

std::uint64_t RenderMemoryNeeded(std::int32_t Width, std::int32_t Height, bool Png) {
  const std::uint64_t Samples = (Width + 1ull) * (Height + 1ull);
  const std::uint64_t Pixels = static_cast<std::uint64_t>(Width) * Height;
  // Grid (4 bytes a sample) and states (1), the image (4 a pixel), and for a
  // PNG file its RGBX and RGB copies (4 + 3); a PGM file needs 1 more.
  return Samples * 5 + Pixels * 4 + Pixels * (Png ? 7 : 1);
}

std::uint64_t MemoryAvailable() {
  std::uint64_t Available = std::numeric_limits<std::uint64_t>::max();
  std::ifstream Info("/proc/meminfo");
  for (std::string Line; std::getline(Info, Line);)
    if (Line.rfind("MemAvailable:", 0) == 0) {
      std::istringstream Fields(Line.substr(13));
      std::uint64_t KiB = 0;
      if (Fields >> KiB)
        Available = KiB * 1024;
    }
  rlimit Limit{};
  if (getrlimit(RLIMIT_AS, &Limit) == 0 && Limit.rlim_cur != RLIM_INFINITY) {
    std::uint64_t InUse = 0;
    std::ifstream Status("/proc/self/statm");
    Status >> InUse; // pages of address space
    InUse *= static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    Available = std::min<std::uint64_t>(Available, Limit.rlim_cur > InUse ? Limit.rlim_cur - InUse : 0);
  }
  return Available;
}
