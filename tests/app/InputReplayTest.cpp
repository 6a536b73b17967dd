// The replay rule, case by case: every kind of event in first place, and
// orders of them. Each case runs twice, from the same zoom: once with a
// renderer that stops when asked, once with one that never does. Both
// windows must end the same (view, history, picture on screen, drag state,
// views told), and the first must have stopped exactly where the rule says.

#include "InputReplayTest.h"

#include "AppTestSupport.h"
#include "Main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QThread>
#include <QWheelEvent>

#include <array>
#include <functional>
#include <vector>

namespace {

constexpr QSize ImageSize(160, 100);
// The zoom every case starts from; its last move leaves the band at To.
constexpr QPoint From(10, 10), To(120, 80);

using TInput = std::function<void(TMainForm&)>;

// Input is sent on the window's thread, at once, as the window system sends
// it: a mouse event shares its point with its device, which the next one
// made overwrites, so none may wait in a queue.
void Send(QObject* Receiver, QEvent&& Event) { QCoreApplication::sendEvent(Receiver, &Event); }

// Input as the window system delivers it: to the window, at window positions.
QPoint InWindow(QPoint At) { return At + QPoint(TMainForm::ImageLeft, TMainForm::ImageTop); }

TInput Mouse(QEvent::Type Type, Qt::MouseButton Button, Qt::MouseButtons Buttons, QPoint At) {
  return [=](TMainForm& Form) {
    const QPointF P = InWindow(At);
    Send(Form.windowHandle(),
         QMouseEvent(Type, P, P, Form.mapToGlobal(P), Button, Buttons, Qt::NoModifier));
  };
}
TInput Press(Qt::MouseButton Button, QPoint At, Qt::MouseButtons Others = {}) {
  return Mouse(QEvent::MouseButtonPress, Button, Others | Button, At);
}
TInput Release(Qt::MouseButton Button, QPoint At, Qt::MouseButtons Others = {}) {
  return Mouse(QEvent::MouseButtonRelease, Button, Others, At);
}
TInput Move(QPoint At, Qt::MouseButtons Held = {}) {
  return Mouse(QEvent::MouseMove, Qt::NoButton, Held, At);
}
TInput DoubleClick(Qt::MouseButton Button, QPoint At) {
  return Mouse(QEvent::MouseButtonDblClick, Button, Button, At);
}
TInput Key(int Key) {
  return [=](TMainForm& Form) {
    Send(Form.windowHandle(), QKeyEvent(QEvent::KeyPress, Key, Qt::NoModifier));
    Send(Form.windowHandle(), QKeyEvent(QEvent::KeyRelease, Key, Qt::NoModifier));
  };
}
TInput CloseRequest() {
  return [](TMainForm& Form) { Send(Form.windowHandle(), QCloseEvent()); };
}
TInput Wheel(QPoint At) {
  return [=](TMainForm& Form) {
    const QPointF P = InWindow(At);
    Send(Form.windowHandle(), QWheelEvent(P, Form.mapToGlobal(P), {}, {0, 120}, Qt::NoButton,
                                          Qt::NoModifier, Qt::NoScrollPhase, false));
  };
}
// Sent straight to the image, as the program or a test may.
TInput PressOnImage(Qt::MouseButton Button, QPoint At) {
  return [=](TMainForm& Form) {
    Send(TInputReplayTest::ImageOf(Form),
         QMouseEvent(QEvent::MouseButtonPress, At, At, Form.mapToGlobal(QPointF(At)), Button,
                     Button, Qt::NoModifier));
  };
}

struct TOutcome {
  std::vector<std::array<TExtended, 3>> ViewsTold;
  bool Stopped = false;
};

// The zoom's render (the second) has the input sent, then waits for a stop
// request: to its end where one is due, briefly where none is.
TRenderer Renderer(TMainForm*& Window, const std::vector<TInput>& Input, bool Stoppable,
                   bool StopDue, TOutcome& Outcome) {
  return [&, Stoppable, StopDue, Calls = 0](const TExtPoint& A, const TExtPoint& B, std::int32_t W,
                                            std::int32_t H, const TRenderControl& Control) mutable {
    if (++Calls == 2) {
      QMetaObject::invokeMethod(Window, [&] {
        for (const TInput& Sender : Input)
          Sender(*Window);
      }, Qt::QueuedConnection);
      const int Waits = Stoppable && StopDue ? 2000 : 20;
      for (int K = 0; K < Waits && !Control.Stop.stop_requested(); ++K)
        QThread::msleep(5);
      Outcome.Stopped = Control.Stop.stop_requested();
      if (Stoppable && Outcome.Stopped)
        throw TRenderStopped();
    }
    return FakeRenderer()(A, B, W, H, Control);
  };
}

} // namespace

QWidget* TInputReplayTest::ImageOf(TMainForm& Form) { return Form.Image1; }

void TInputReplayTest::cleanup() { ReleaseAllButtons(); }

void TInputReplayTest::EndsAsAfterTheWholeRender_data() {
  QTest::addColumn<std::vector<TInput>>("Input");
  QTest::addColumn<bool>("Stops");
  const QPoint P(40, 30), Far(100, 70), Margin(-4, 30);
  // First in place: each kind of event alone, or before a right press.
  QTest::newRow("right press") << std::vector{Press(Qt::RightButton, P), Release(Qt::RightButton, P)} << true;
  QTest::newRow("right press sent to the image") << std::vector{PressOnImage(Qt::RightButton, P)} << true;
  QTest::newRow("Esc") << std::vector{Key(Qt::Key_Escape)} << true;
  QTest::newRow("close request") << std::vector{CloseRequest()} << true;
  QTest::newRow("move, no drag") << std::vector{Move(P), Press(Qt::RightButton, P)} << true;
  QTest::newRow("release, no drag") << std::vector{Release(Qt::LeftButton, P), Key(Qt::Key_Escape)} << true;
  QTest::newRow("middle click") << std::vector{Press(Qt::MiddleButton, P), Release(Qt::MiddleButton, P),
                                               Press(Qt::RightButton, P)} << true;
  QTest::newRow("back button") << std::vector{Press(Qt::BackButton, P), Release(Qt::BackButton, P),
                                              Key(Qt::Key_Escape)} << true;
  QTest::newRow("other key") << std::vector{Key(Qt::Key_A), Key(Qt::Key_Space), Press(Qt::RightButton, P)} << true;
  QTest::newRow("wheel") << std::vector{Wheel(P), Press(Qt::RightButton, P)} << true;
  QTest::newRow("right press on the margin") << std::vector{Press(Qt::RightButton, Margin),
                                                            Release(Qt::RightButton, Margin),
                                                            Key(Qt::Key_Escape)} << true;
  QTest::newRow("right double click") << std::vector{Press(Qt::RightButton, P), Release(Qt::RightButton, P),
                                                     Press(Qt::RightButton, P), DoubleClick(Qt::RightButton, P),
                                                     Release(Qt::RightButton, P)} << true;
  // Orders with a drag begun during the render.
  QTest::newRow("left press, right press, release")
      << std::vector{Press(Qt::LeftButton, P), Press(Qt::RightButton, P, Qt::LeftButton),
                     Release(Qt::LeftButton, Far, Qt::RightButton), Release(Qt::RightButton, Far)} << true;
  QTest::newRow("drag to the last band, right press")
      << std::vector{Press(Qt::LeftButton, P), Move(To, Qt::LeftButton), Press(Qt::RightButton, To, Qt::LeftButton),
                     Release(Qt::RightButton, To, Qt::LeftButton), Release(Qt::LeftButton, To)} << true;
  QTest::newRow("drag pressed on the margin, Esc")
      << std::vector{Press(Qt::LeftButton, Margin), Move(Far, Qt::LeftButton), Release(Qt::LeftButton, Far),
                     Key(Qt::Key_Escape)} << true;
  // Input that needs the new image.
  QTest::newRow("drag moves") << std::vector{Press(Qt::LeftButton, P), Move(Far, Qt::LeftButton),
                                             Press(Qt::RightButton, Far, Qt::LeftButton)} << false;
  QTest::newRow("Esc during a drag") << std::vector{Press(Qt::LeftButton, P), Key(Qt::Key_Escape)} << false;
  QTest::newRow("release ends a drag") << std::vector{Press(Qt::LeftButton, P), Release(Qt::LeftButton, P),
                                                      Press(Qt::RightButton, P)} << false;
  QTest::newRow("drag zooms, then back") << std::vector{Press(Qt::LeftButton, P), Release(Qt::LeftButton, Far),
                                                        Press(Qt::RightButton, P), Release(Qt::RightButton, P)} << false;
  QTest::newRow("touch-free nothing") << std::vector<TInput>{} << false;
}

// What the window ends with, kept after the window is gone: a drag left
// open by the input would otherwise hold the mouse for the next window.
struct TSnapshot {
  std::array<TExtended, 3> View;
  std::vector<std::array<TExtended, 3>> HistoryViews;
  std::vector<TBitmap> HistoryImages;
  std::vector<QRect> Selections;
  QImage Shown;
  bool Selecting, Visible;
  QPoint Last;
};

TSnapshot TInputReplayTest::Snapshot(const TMainForm& Form) {
  TSnapshot S{{Form.ViewTop, Form.ViewLeft, Form.ViewBottom}, {}, {}, {}, Form.Image1->Shown(),
              Form.Selecting, Form.isVisible(), {Form.LastX, Form.LastY}};
  for (const TBitmapDetail& Entry : Form.History) {
    S.HistoryViews.push_back({Entry.ViewTop, Entry.ViewLeft, Entry.ViewBottom});
    S.HistoryImages.push_back(Entry.Bitmap);
    S.Selections.emplace_back(QPoint(Entry.StartX, Entry.StartY), QPoint(Entry.EndX, Entry.EndY));
  }
  return S;
}

void TInputReplayTest::EndsAsAfterTheWholeRender() {
  QFETCH(std::vector<TInput>, Input);
  QFETCH(bool, Stops);
  TOutcome Outcomes[2];
  std::vector<TSnapshot> Ends;
  for (int K = 0; K < 2; ++K) {
    TOutcome& Outcome = Outcomes[K];
    TMainForm* Window = nullptr;
    TMainForm Form(Renderer(Window, Input, K == 0, Stops, Outcome), ImageSize,
                   [&Outcome](TExtended Top, TExtended Left, TExtended Bottom, std::int32_t,
                              std::int32_t) { Outcome.ViewsTold.push_back({Top, Left, Bottom}); });
    Window = &Form;
    ShowAndWait(Form);
    Drag(Form, From, To);
    QTest::qWait(50); // the held input is handed over once the render ends
    Ends.push_back(Snapshot(Form));
  }
  const TSnapshot &Stopped = Ends[0], &Whole = Ends[1];
  QCOMPARE(Outcomes[0].Stopped, Stops);
  QVERIFY(Stopped.View == Whole.View);
  QVERIFY(Stopped.HistoryViews == Whole.HistoryViews);
  QVERIFY(Stopped.HistoryImages == Whole.HistoryImages);
  QCOMPARE(Stopped.Selections, Whole.Selections);
  QCOMPARE(Stopped.Selecting, Whole.Selecting);
  QCOMPARE(Stopped.Last, Whole.Last);
  QCOMPARE(Stopped.Visible, Whole.Visible);
  if (Whole.Visible) // a closed window shows nothing
    QCOMPARE(Stopped.Shown, Whole.Shown);
  // The abandoned view is the only one never told.
  std::vector<std::array<TExtended, 3>> Told = Outcomes[1].ViewsTold;
  if (Stops)
    Told.erase(Told.begin() + 1);
  QVERIFY(Outcomes[0].ViewsTold == Told);
}

// The window gives the renderer a progress to keep, and the renderer that
// keeps it finds it there (the task bar reads it).
void TInputReplayTest::ProgressReachesTheRenderer() {
  bool Given = true;
  TMainForm Form([&](const TExtPoint& A, const TExtPoint& B, std::int32_t W, std::int32_t H,
                     const TRenderControl& Control) {
    Given = Given && Control.Progress != nullptr && Control.Stop.stop_possible();
    return FakeRenderer()(A, B, W, H, Control);
  }, ImageSize);
  ShowAndWait(Form);
  Drag(Form, From, To);
  QVERIFY(Given);
}
