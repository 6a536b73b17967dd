#include "TaskBarProgress.h"

#include <QGuiApplication>

TTaskBarProgress::TTaskBarProgress(const TRenderProgress& Progress) : FProgress(Progress) {
  if (QGuiApplication::desktopFileName().isEmpty())
    return; // no desktop entry to show it on
  FLauncher = std::make_unique<TLauncherProgress>(QGuiApplication::desktopFileName());
  FAge.start();
  QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
  FTimer.start(PeriodMs);
}

void TTaskBarProgress::Poll() {
  if (FAge.elapsed() < DelayMs)
    return;
  const std::int64_t Total = FProgress.Total.load(std::memory_order_relaxed);
  const std::int64_t Done = FProgress.Done.load(std::memory_order_relaxed);
  const int Percent = Total > 0 ? static_cast<int>(100 * Done / Total) : 0;
  if (Percent == FShownPercent)
    return; // a whole percent is as fine as a task bar shows
  FShownPercent = Percent;
  FLauncher->Show(Percent / 100.0);
}
