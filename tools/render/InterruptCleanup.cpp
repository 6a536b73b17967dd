#include "InterruptCleanup.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

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
