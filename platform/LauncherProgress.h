#pragma once

#include <QString>

// The share done of a long job, on the application's task bar or dock entry:
// the launcher-entry D-Bus signal, which KDE Plasma's task manager and
// GNOME's docks read, for the desktop entry DesktopFileId (without
// ".desktop"). Where there is no session bus it shows nothing, and says
// nothing. What it showed is cleared when it is destroyed.
class TLauncherProgress {
public:
  explicit TLauncherProgress(QString DesktopFileId);
  ~TLauncherProgress();
  TLauncherProgress(const TLauncherProgress&) = delete;
  TLauncherProgress& operator=(const TLauncherProgress&) = delete;

  // Share from 0 to 1.
  void Show(double Share);

private:
  void Send(double Share, bool Visible);

  QString FAppUri;
  bool FShown = false;
};
