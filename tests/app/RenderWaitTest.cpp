// The window during renders: input and close requests that arrive while a
// render runs wait for it, and every view shown is told to a listener.

#include "RenderWaitTest.h"

#include "AppTestSupport.h"
#include "Main.h"
#include "ViewCommand.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QThread>

#include <array>
#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Input that reaches the window while a render runs, queued as the window
// system would queue it. Mouse events are made on the window's thread: they
// share their point with the device, which the window's thread also writes.
void PostMouse(QWidget* Image, QEvent::Type Type, Qt::MouseButton Button, QPoint At) {
  const Qt::MouseButtons Buttons = Type == QEvent::MouseButtonRelease ? Qt::NoButton : Button;
  QCoreApplication::postEvent(Image, new QMouseEvent(Type, QPointF(At), QPointF(At), Button,
                                                     Buttons, Qt::NoModifier));
}

// Records whether the window was hidden before or after the render ended.
class THideWatch : public QObject {
public:
  std::atomic<bool> RenderEnded{false};
  bool HiddenAfterRender = false, Hidden = false;

protected:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Hide && !Hidden) {
      Hidden = true;
      HiddenAfterRender = RenderEnded;
    }
    return false;
  }
};

} // namespace

// A drag and Esc made during a render are handled after it, in order: the
// drag zooms once more, then Esc closes the window; none of it runs while
// the first zoom is still rendering.
void TRenderWaitTest::InputDuringARenderWaits() {
  int Renders = 0;
  TMainForm* Window = nullptr;
  std::size_t HistoryDuringRender = 99;
  TMainForm Form([&](const TExtPoint& A, const TExtPoint& B, std::int32_t W, std::int32_t H,
                     const TRenderControl&) {
    if (++Renders == 2) {
      QMetaObject::invokeMethod(Window, [Window] {
        PostMouse(Window->Image1, QEvent::MouseButtonPress, Qt::LeftButton, {20, 20});
        PostMouse(Window->Image1, QEvent::MouseMove, Qt::LeftButton, {60, 50});
        PostMouse(Window->Image1, QEvent::MouseButtonRelease, Qt::LeftButton, {120, 90});
        QCoreApplication::postEvent(Window->windowHandle(),
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
      }, Qt::QueuedConnection);
      QThread::msleep(100); // the window gets the events while this renders
      HistoryDuringRender = Window->History.size();
    }
    return FakeRenderer()(A, B, W, H, {});
  });
  Window = &Form;
  ShowAndWait(Form);
  Drag(Form, {10, 10}, {200, 100});
  QCOMPARE(HistoryDuringRender, std::size_t{1}); // nothing handled meanwhile
  QTRY_COMPARE(Renders, 3);
  QCOMPARE(Form.History.size(), std::size_t{2});
  QCOMPARE(Form.History.back().StartX, 20);
  QCOMPARE(Form.History.back().EndY, 90);
  QTRY_VERIFY(!Form.isVisible());
}

// The window system's close request during a render closes the window after
// the render, not under it.
void TRenderWaitTest::CloseDuringARenderWaits() {
  int Renders = 0;
  TMainForm* Window = nullptr;
  THideWatch Watch;
  TMainForm Form([&](const TExtPoint& A, const TExtPoint& B, std::int32_t W, std::int32_t H,
                     const TRenderControl&) {
    if (++Renders == 2) {
      QCoreApplication::postEvent(Window->windowHandle(), new QCloseEvent);
      QThread::msleep(50);
    }
    TBitmap Image = FakeRenderer()(A, B, W, H, {});
    Watch.RenderEnded = Renders >= 2;
    return Image;
  });
  Window = &Form;
  Form.installEventFilter(&Watch);
  ShowAndWait(Form);
  Drag(Form, {10, 10}, {200, 100});
  QTRY_VERIFY(!Form.isVisible());
  QVERIFY(Watch.HiddenAfterRender);
  QCOMPARE(Form.History.size(), std::size_t{1});
  QVERIFY(SameImage(Form.Image1->Shown(), Form.Bitmap)); // the zoom completed
}

// The start view, each zoom and each return are told, with the edges the
// window holds (which the printed command lines carry to the bit).
void TRenderWaitTest::EveryViewShownIsTold() {
  std::vector<std::array<TExtended, 3>> Views;
  std::vector<QSize> Sizes;
  TMainForm Form(FakeRenderer(), {200, 120},
                 [&](TExtended Top, TExtended Left, TExtended Bottom, std::int32_t W, std::int32_t H) {
                   Views.push_back({Top, Left, Bottom});
                   Sizes.emplace_back(W, H);
                 });
  ShowAndWait(Form);
  QCOMPARE(Views.size(), std::size_t{1});
  Drag(Form, {10, 20}, {100, 80});
  Click(Form, Qt::RightButton, {50, 50});
  Click(Form, Qt::RightButton, {50, 50}); // nothing to go back to: nothing told
  QCOMPARE(Views.size(), std::size_t{3});
  QVERIFY(Views[0] == (std::array{StartViewTop, StartViewLeft, StartViewBottom}));
  const TExtended U = (StartViewTop - StartViewBottom) / 120;
  QVERIFY(Views[1][0] == StartViewTop - 20 * U);
  QVERIFY(Views[2] == Views[0]);
  QCOMPARE(Sizes[1], QSize(200, 120));
  // The command line reads back to the same bits.
  const std::string Line = RenderCommand(Views[1][0], Views[1][1], Views[1][2], 200, 120);
  QVERIFY(Line.rfind("gorvanel-render --size 200x120 -- ", 0) == 0);
  const std::string Edges = Line.substr(Line.find("-- ") + 3);
  char* End = nullptr;
  const TExtended Left = std::strtold(Edges.c_str(), &End);
  const TExtended Top = std::strtold(End, &End);
  const TExtended Right = std::strtold(End, &End);
  const TExtended Bottom = std::strtold(End, &End);
  QVERIFY(Left == Views[1][1] && Top == Views[1][0] && Bottom == Views[1][2]);
  QVERIFY(Right == ViewRight(Top, Left, Bottom, 200, 120));
}
