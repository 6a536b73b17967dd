#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace {

// The cursor change should reach the X server now, before the render's work
// starts, not whenever the event loop next flushes. Flushing the connection
// sends it without processing any events (which could run other handlers in
// the middle of this one).
void SendToWindowSystem() {
#if QT_CONFIG(xcb)
  const auto* X11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (xcb_connection_t* Connection = X11 ? X11->connection() : nullptr)
    xcb_flush(Connection);
#endif
}

} // namespace

// Qt's override cursor is a stack: pushing the wait cursor remembers
// whatever was shown before, popping it puts that back.
TBusyCursor::TBusyCursor() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  SendToWindowSystem();
}

TBusyCursor::~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
