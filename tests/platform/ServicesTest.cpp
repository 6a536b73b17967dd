#include "ServicesTest.h"

#include "BusyCursor.h"
#include "HeldInput.h"
#include "Image.h"
#include "LauncherProgress.h"
#include "SameImage.h"
#include "ThreadPriority.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace {

TBitmap Pattern(int Width, int Height, TColor Seed) {
  TBitmap Image(Width, Height);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X)
      Image.SetPixel(X, Y, (Seed + static_cast<TColor>(X * 7 + Y * 13)) & 0xFFFFFF);
  return Image;
}

// A top-level window holding one image control at (8, 8), as the viewer does.
struct TImageWindow {
  QWidget Window;
  TImage* Image = new TImage(&Window);
  TImageWindow() {
    Window.resize(80, 60);
    Image->setGeometry(8, 8, 40, 30);
    Window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Window));
  }
};

} // namespace

void TServicesTest::ImageShowsWhatWasDrawnLast() {
  TImage Image;
  Image.resize(6, 4);
  TBitmap First = Pattern(6, 4, 0x101010);
  Image.Draw(First);
  First.SetPixel(0, 0, clWhite); // later changes do not show
  QVERIFY(SameImage(Image.Shown(), Pattern(6, 4, 0x101010)));
  Image.Draw(Pattern(6, 4, 0x202020));
  QVERIFY(SameImage(Image.Shown(), Pattern(6, 4, 0x202020)));
}

// A compositor that honours alpha shows exactly what the bytes say: every
// pixel's fourth byte must be 255, while the bitmap keeps its TColor values.
void TServicesTest::ShownImageIsOpaque() {
  TImage Image;
  Image.resize(6, 4);
  const TBitmap Drawn = Pattern(6, 4, 0x000000);
  Image.Draw(Drawn);
  const QImage& Shown = Image.Shown();
  for (int Y = 0; Y < Shown.height(); ++Y)
    for (int X = 0; X < Shown.width(); ++X)
      QCOMPARE(Shown.constScanLine(Y)[4 * X + 3], uchar{255});
  QCOMPARE(Drawn.Pixel(0, 0), TColor{0});
  QVERIFY(SameImage(Shown.convertToFormat(QImage::Format_ARGB32), Drawn));
  QVERIFY(Shown.convertToFormat(QImage::Format_ARGB32).pixel(5, 3) >> 24 == 0xFF);
}

void TServicesTest::ImageRepaintsOnScreen() {
  TImageWindow W;
  const TBitmap Drawn = Pattern(40, 30, 0x303030);
  W.Image->Draw(Drawn);
  // Without a repaint request the screen would keep the old content.
  QTRY_VERIFY(SameImage(W.Image->screen()
                        ->grabWindow(W.Window.winId(), 8, 8, 40, 30)
                        .toImage(),
                    Drawn));
}

void TServicesTest::MouseArrivesInImagePixels() {
  TImageWindow W;
  QSignalSpy Down(W.Image, &TImage::MouseDown);
  QSignalSpy Move(W.Image, &TImage::MouseMove);
  QSignalSpy Up(W.Image, &TImage::MouseUp);
  QTest::mousePress(W.Image, Qt::RightButton, Qt::ShiftModifier, QPoint(3, 4));
  QTest::mouseRelease(W.Image, Qt::RightButton, Qt::NoModifier, QPoint(5, 6));
  QTest::mousePress(W.Image, Qt::MiddleButton, Qt::NoModifier, QPoint(1, 2));
  QTest::mouseRelease(W.Image, Qt::MiddleButton, Qt::NoModifier, QPoint(1, 2));
  QCOMPARE(Down.count(), 2);
  QCOMPARE(Down[0][0].value<TMouseButton>(), TMouseButton::mbRight);
  QCOMPARE(Down[0][1].value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
  QCOMPARE(Down[0][2].toInt(), 3);
  QCOMPARE(Down[0][3].toInt(), 4);
  QCOMPARE(Down[1][0].value<TMouseButton>(), TMouseButton::mbMiddle);
  QCOMPARE(Up.count(), 2);
  QCOMPARE(Up[0][2].toInt(), 5);
  QCOMPARE(Up[0][3].toInt(), 6);
  Move.clear();
  QTest::mouseMove(W.Image, QPoint(9, 10));
  QCOMPARE(Move.count(), 1);
  QCOMPARE(Move[0][1].toInt(), 9);
  QCOMPARE(Move[0][2].toInt(), 10);
}

void TServicesTest::DoubleClickIsASecondPress() {
  TImageWindow W;
  QSignalSpy Down(W.Image, &TImage::MouseDown);
  // Through the window, as the system delivers it: press, release, press
  // (which Qt turns into a double click), release.
  QTest::mouseDClick(W.Window.windowHandle(), Qt::RightButton, Qt::NoModifier, QPoint(12, 12));
  QCOMPARE(Down.count(), 2);
}

void TServicesTest::GrabDeliversPositionsOutside() {
  TImageWindow W;
  QWindow* Handle = W.Window.windowHandle();
  QSignalSpy Move(W.Image, &TImage::MouseMove);
  QSignalSpy Up(W.Image, &TImage::MouseUp);
  QTest::mousePress(Handle, Qt::LeftButton, Qt::NoModifier, QPoint(18, 18));
  QTest::mouseMove(Handle, QPoint(-300, -200));
  QTest::mouseRelease(Handle, Qt::LeftButton, Qt::NoModifier, QPoint(900, 700));
  bool SawOutside = false; // image pixels: window position - (8, 8)
  for (const QList<QVariant>& Args : Move)
    SawOutside = SawOutside || (Args[1].toInt() == -308 && Args[2].toInt() == -208);
  QVERIFY(SawOutside);
  QCOMPARE(Up.count(), 1);
  QCOMPARE(Up[0][2].toInt(), 892);
  QCOMPARE(Up[0][3].toInt(), 692);
}

void TServicesTest::BusyCursorRestores() {
  QVERIFY(!QGuiApplication::overrideCursor());
  {
    const TBusyCursor Busy;
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  QVERIFY(!QGuiApplication::overrideCursor());
  // An earlier cursor comes back, also when the scope is left by an exception.
  QGuiApplication::setOverrideCursor(Qt::CrossCursor);
  try {
    const TBusyCursor Busy;
    throw std::runtime_error("render failed");
  } catch (const std::runtime_error&) {
  }
  QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
  QGuiApplication::restoreOverrideCursor();
}

void TServicesTest::PriorityGuardRestoresNormal() {
  QCOMPARE(ThreadPriority(), TThreadPriority::Normal);
  try {
    const TBelowNormalPriority Lowered;
    QCOMPARE(ThreadPriority(), TThreadPriority::BelowNormal);
    throw std::runtime_error("render failed");
  } catch (const std::runtime_error&) {
  }
  QCOMPARE(ThreadPriority(), TThreadPriority::Normal);
  // Back to normal, not to what it was: the priority a render leaves is known.
  SetThreadPriority(TThreadPriority::BelowNormal);
  { const TBelowNormalPriority Lowered; }
  QCOMPARE(ThreadPriority(), TThreadPriority::Normal);
  // A system that refuses the lower priority costs only the courtesy: the
  // guard goes on, and the refusal is said once however often it comes.
  QTemporaryFile Log;
  QVERIFY(Log.open());
  std::fflush(stderr);
  const int Saved = dup(STDERR_FILENO);
  dup2(Log.handle(), STDERR_FILENO);
  for (int K = 0; K < 2; ++K) {
    const TBelowNormalPriority Refused([](TThreadPriority Priority) {
      if (Priority == TThreadPriority::BelowNormal)
        throw std::system_error(EPERM, std::generic_category(), "cannot set the thread priority");
    });
  }
  std::fflush(stderr);
  dup2(Saved, STDERR_FILENO);
  close(Saved);
  QVERIFY(Log.seek(0));
  QCOMPARE(QString::fromUtf8(Log.readAll()),
           QStringLiteral("gorvanel: cannot set the thread priority: Operation not permitted; "
                          "rendering at normal priority\n"));
}

void TServicesTest::RenderThreadsInheritThePriority() {
  TThreadPriority Seen = TThreadPriority::Normal;
  {
    const TBelowNormalPriority Lowered;
    std::thread([&] { Seen = ThreadPriority(); }).join();
  }
  QCOMPARE(Seen, TThreadPriority::BelowNormal);
}

// A mouse event shares its point with its device, and the next event made
// for the device overwrites where the first was: a held event must not.
void TServicesTest::HeldMouseEventKeepsItsPlace() {
  QObject Receiver;
  const QMouseEvent First(QEvent::MouseButtonPress, QPointF(10, 20), QPointF(30, 40),
                          QPointF(50, 60), Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  const THeldEvent Held(&Receiver, First);
  const QMouseEvent Second(QEvent::MouseMove, QPointF(1, 2), QPointF(3, 4), QPointF(5, 6),
                           Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  const std::unique_ptr<QEvent> Built = Held.Build();
  QCOMPARE(Built->type(), QEvent::MouseButtonPress);
  const auto& Mouse = static_cast<const QMouseEvent&>(*Built);
  QCOMPARE(Mouse.position(), QPointF(10, 20));
  QCOMPARE(Mouse.scenePosition(), QPointF(30, 40));
  QCOMPARE(Mouse.globalPosition(), QPointF(50, 60));
  QCOMPARE(Mouse.button(), Qt::LeftButton);
  QCOMPARE(Mouse.modifiers(), Qt::ShiftModifier);
  QVERIFY(!Held.ForWindow());
}

// Where no session bus is announced, progress goes nowhere, silently.
void TServicesTest::LauncherProgressWithoutABusSaysNothing() {
  const QByteArray Address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  const QByteArray Runtime = qgetenv("XDG_RUNTIME_DIR");
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  qputenv("XDG_RUNTIME_DIR", "/nonexistent");
  static int Messages = 0;
  const QtMessageHandler Previous =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) { ++Messages; });
  {
    TLauncherProgress Progress(QStringLiteral("org.gorvanel.Test"));
    Progress.Show(0.25);
    Progress.Show(2.0);
  }
  qInstallMessageHandler(Previous);
  for (const auto& [Name, Value] : {std::pair{"DBUS_SESSION_BUS_ADDRESS", Address},
                                    std::pair{"XDG_RUNTIME_DIR", Runtime}})
    Value.isEmpty() ? qunsetenv(Name) : qputenv(Name, Value);
  QCOMPARE(Messages, 0);
}
