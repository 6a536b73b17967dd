#pragma once

#include <QObject>

// The image control, the busy cursor, the thread priority, held input and
// the launcher entry.
class TServicesTest : public QObject {
  Q_OBJECT

private slots:
  void ImageShowsWhatWasDrawnLast();
  void ImageRepaintsOnScreen();
  void ShownImageIsOpaque();
  void MouseArrivesInImagePixels();
  void DoubleClickIsASecondPress();
  void GrabDeliversPositionsOutside();
  void BusyCursorRestores();
  void PriorityGuardRestoresNormal();
  void RenderThreadsInheritThePriority();
  void HeldMouseEventKeepsItsPlace();
  void LauncherProgressWithoutABusSaysNothing();
};
