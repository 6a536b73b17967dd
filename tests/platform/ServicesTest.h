#pragma once

#include <QObject>

// The image control, the busy cursor and the thread priority.
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
};
