#pragma once

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
