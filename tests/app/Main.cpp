#include "InputReplayTest.h"
#include "MainFormTest.h"
#include "RandomEventTest.h"
#include "RenderWaitTest.h"

#include <QApplication>
#include <QMetaMethod>
#include <QTest>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool HasTest(const QObject& Suite, const std::string& Name) {
  const QMetaObject* Meta = Suite.metaObject();
  for (int K = Meta->methodOffset(); K < Meta->methodCount(); ++K)
    if (Meta->method(K).name().toStdString() == Name)
      return true;
  return false;
}

} // namespace

// Every suite runs, with QTest's options as given. Names of test functions
// choose among all the suites' functions; each suite is handed those it has.
int main(int argc, char** argv) {
  QApplication Application(argc, argv);
  Application.setQuitOnLastWindowClosed(false);
  TMainFormTest Form;
  TRenderWaitTest Wait;
  TInputReplayTest Replay;
  TRandomEventTest Random;
  QObject* const Suites[] = {&Form, &Wait, &Replay, &Random};

  std::vector<std::string> Options, Names;
  for (int K = 1; K < argc; ++K)
    (argv[K][0] == '-' ? Options : Names).emplace_back(argv[K]);
  for (const std::string& Name : Names) {
    bool Found = false;
    for (const QObject* Suite : Suites)
      Found = Found || HasTest(*Suite, Name.substr(0, Name.find(':')));
    if (!Found) {
      std::fprintf(stderr, "app_tests: no suite has a test function '%s'\n", Name.c_str());
      return 1;
    }
  }
  int Failures = 0;
  for (QObject* Suite : Suites) {
    QStringList Arguments{QString::fromLocal8Bit(argv[0])};
    for (const std::string& Option : Options)
      Arguments << QString::fromStdString(Option);
    bool Chosen = Names.empty();
    for (const std::string& Name : Names)
      if (HasTest(*Suite, Name.substr(0, Name.find(':')))) {
        Arguments << QString::fromStdString(Name);
        Chosen = true;
      }
    if (Chosen)
      Failures += QTest::qExec(Suite, Arguments);
  }
  return Failures == 0 ? 0 : 1;
}
