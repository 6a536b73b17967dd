#pragma once

#include <QObject>

// Thousands of random mouse and key events against the window, checking
// after each one what must always hold.
class TRandomEventTest : public QObject {
  Q_OBJECT

private slots:
  void RandomSequences();
  void RandomSequencesWithRealRenders();
};
