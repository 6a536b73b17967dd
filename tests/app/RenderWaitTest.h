#pragma once

#include <QObject>

// The window while it renders, and what it tells of the views it shows.
class TRenderWaitTest : public QObject {
  Q_OBJECT

private slots:
  void InputDuringARenderWaits();
  void CloseDuringARenderWaits();
  void EveryViewShownIsTold();
};
