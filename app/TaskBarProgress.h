#pragma once

#include "LauncherProgress.h"
#include "RenderMandelbrot.h"

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

// Shows how far a render has come on the application's task bar or dock
// entry once it has run for half a second (shorter ones would only flicker
// there), and clears it when destroyed: when the render ends or is
// abandoned. It reads Progress on the UI thread's timer while the render's
// threads update it.
class TTaskBarProgress {
public:
  explicit TTaskBarProgress(const TRenderProgress& Progress);
  TTaskBarProgress(const TTaskBarProgress&) = delete;
  TTaskBarProgress& operator=(const TTaskBarProgress&) = delete;

  static constexpr int DelayMs = 500, PeriodMs = 100;

private:
  void Poll();

  const TRenderProgress& FProgress;
  std::unique_ptr<TLauncherProgress> FLauncher; // none without a desktop entry
  QElapsedTimer FAge;
  QTimer FTimer;
  int FShownPercent = -1;
};
