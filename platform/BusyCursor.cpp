#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

// Qt's override cursor is a stack: pushing the wait cursor remembers
// whatever was shown before, popping it puts that back.
// The render that follows blocks the event loop, so the cursor change is sent
// to the window system at once rather than with the next loop iteration.
TBusyCursor::TBusyCursor() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  QGuiApplication::sync();
}

TBusyCursor::~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
