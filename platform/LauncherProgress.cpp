#include "LauncherProgress.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QVariantMap>
#include <QtGlobal>

#include <utility>

namespace {

constexpr char Interface[] = "com.canonical.Unity.LauncherEntry";
constexpr char Path[] = "/org/gorvanel/Gorvanel/LauncherEntry";

// Whether a session bus is there to be reached. Without an address, asking
// for the session bus may start a helper to find one (and complain when
// that fails); where none is announced, there is nobody to tell.
bool HasSessionBus() {
  static const bool Has = [] {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
      const QString Runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
      if (Runtime.isEmpty() || !QFileInfo(QDir(Runtime).filePath(QStringLiteral("bus"))).exists())
        return false;
    }
    return QDBusConnection::sessionBus().isConnected();
  }();
  return Has;
}

} // namespace

TLauncherProgress::TLauncherProgress(QString DesktopFileId)
    : FAppUri(QStringLiteral("application://") + std::move(DesktopFileId) +
              QStringLiteral(".desktop")) {}

TLauncherProgress::~TLauncherProgress() {
  if (FShown)
    Send(0, false);
}

void TLauncherProgress::Show(double Share) {
  if (!HasSessionBus())
    return;
  Send(qBound(0.0, Share, 1.0), true);
  FShown = true;
}

void TLauncherProgress::Send(double Share, bool Visible) {
  QDBusMessage Signal = QDBusMessage::createSignal(Path, Interface, QStringLiteral("Update"));
  Signal << FAppUri
         << QVariantMap{{QStringLiteral("progress"), Share},
                        {QStringLiteral("progress-visible"), Visible}};
  QDBusConnection::sessionBus().send(Signal);
}
