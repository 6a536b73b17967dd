#include "ProgressLine.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(500);

// "1 h 02 min", "3 min 05 s", "12 s".
std::string Duration(double Seconds) {
  const long S = static_cast<long>(Seconds + 0.5);
  char Text[32];
  if (S >= 3600)
    std::snprintf(Text, sizeof Text, "%ld h %02ld min", S / 3600, S / 60 % 60);
  else if (S >= 60)
    std::snprintf(Text, sizeof Text, "%ld min %02ld s", S / 60, S % 60);
  else
    std::snprintf(Text, sizeof Text, "%ld s", S);
  return Text;
}

} // namespace

TProgressLine::TProgressLine(const TRenderProgress& Progress, bool Enabled) : FProgress(Progress) {
  if (Enabled)
    FThread = std::thread([this] { Run(); });
}

TProgressLine::~TProgressLine() {
  if (!FThread.joinable())
    return;
  {
    const std::lock_guard Lock(FLock);
    FDone = true;
  }
  FWake.notify_all();
  FThread.join();
  std::fputs("\r\033[K", stderr); // the line goes; the result line follows on stdout
  std::fflush(stderr);
}

bool TProgressLine::StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void TProgressLine::Run() {
  const auto Start = std::chrono::steady_clock::now();
  std::unique_lock Lock(FLock);
  while (!FWake.wait_for(Lock, RedrawInterval, [this] { return FDone; })) {
    const double Elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    const auto Total = FProgress.Total.load(), Done = FProgress.Done.load();
    const double Share = Total > 0 ? static_cast<double>(Done) / Total : 0;
    std::string Line;
    if (FProgress.Proving || Share <= 0)
      Line = "proving whole tiles, " + Duration(Elapsed) + " elapsed";
    else
      Line = std::to_string(static_cast<int>(Share * 100)) + "% of the samples done, " +
             Duration(Elapsed) + " elapsed, about " + Duration(Elapsed * (1 - Share) / Share) +
             " to go";
    std::fprintf(stderr, "\r\033[Kgorvanel-render: %s", Line.c_str());
    std::fflush(stderr);
  }
}
