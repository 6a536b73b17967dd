#pragma once

#include "RenderMandelbrot.h"

#include <condition_variable>
#include <mutex>
#include <thread>

// A line on stderr, redrawn twice a second while a render runs: the share of
// samples done, the time elapsed and an estimate of the rest. Shown only
// when stderr is a terminal; the line is cleared when the render ends.
class TProgressLine {
public:
  // Shows nothing at all when Enabled is false.
  TProgressLine(const TRenderProgress& Progress, bool Enabled);
  ~TProgressLine();
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;

  // Whether stderr is a terminal, where the line belongs.
  static bool StderrIsTerminal();

private:
  void Run();

  const TRenderProgress& FProgress;
  std::mutex FLock;
  std::condition_variable FWake;
  bool FDone = false;
  std::thread FThread;
};
