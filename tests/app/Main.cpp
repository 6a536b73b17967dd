#include "InputReplayTest.h"
#include "MainFormTest.h"
#include "RandomEventTest.h"
#include "RenderWaitTest.h"

#include <QApplication>
#include <QTest>

// With arguments (a test function to run, say) only the window tests run;
// without, the randomised event sequences follow.
int main(int argc, char** argv) {
  QApplication Application(argc, argv);
  Application.setQuitOnLastWindowClosed(false);
  int Failures = 0;
  TMainFormTest Form;
  Failures += QTest::qExec(&Form, argc, argv);
  if (argc == 1) {
    TRenderWaitTest Wait;
    Failures += QTest::qExec(&Wait, argc, argv);
    TInputReplayTest Replay;
    Failures += QTest::qExec(&Replay, argc, argv);
    TRandomEventTest Random;
    Failures += QTest::qExec(&Random, argc, argv);
  }
  return Failures == 0 ? 0 : 1;
}
