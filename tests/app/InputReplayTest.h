#pragma once

#include <QObject>

// Input held during a zoom's render that makes its image needless: the
// render stops, and the window ends exactly as after the whole render.
class TMainForm;
class QWidget;
struct TSnapshot;

class TInputReplayTest : public QObject {
  Q_OBJECT

public:
  static QWidget* ImageOf(TMainForm& Form);
  static TSnapshot Snapshot(const TMainForm& Form);

private slots:
  void cleanup();
  void EndsAsAfterTheWholeRender_data();
  void EndsAsAfterTheWholeRender();
  void ProgressReachesTheRenderer();
};
