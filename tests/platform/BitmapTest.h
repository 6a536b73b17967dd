#pragma once

#include <QObject>

class TBitmapTest : public QObject {
  Q_OBJECT

private slots:
  void SetPixelIgnoresOutside();
  void CopyIsIndependent();
  void FrameRect_data();
  void FrameRect();
  void FrameUsesTheBrush();
  void RejectsNegativeSize();
};
