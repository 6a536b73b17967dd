#include "MemoryCheck.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

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
