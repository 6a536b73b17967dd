#include "RandomEventTest.h"

#include "AppTestSupport.h"
#include "Main.h"
#include "ThreadPriority.h"

#include "RenderMandelbrot.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QGuiApplication>
#include <QTest>

#include <cstdlib>
#include <random>

namespace {

constexpr int Sequences = 150;
constexpr int EventsPerSequence = 100;
constexpr QSize SmallImage(40, 25); // keeps the window's own work cheap

// What the window must do, in a few lines: which widget holds the mouse, and
// the drag and history bookkeeping the handlers keep.
struct TModel {
  bool Selecting = false;
  QPoint Start;
  std::size_t History = 0;
  Qt::MouseButtons Held;
  bool ImageHasMouse = false; // the press that started the grab hit the image

  void Press(Qt::MouseButton Button, QPoint At, bool OnImage) {
    if (!Held)
      ImageHasMouse = OnImage;
    Held |= Button;
    if (!ImageHasMouse)
      return;
    if (Button == Qt::LeftButton) {
      Selecting = true;
      Start = At;
    } else if (Button == Qt::RightButton && History > 0) {
      --History;
    }
  }
  void Release(Qt::MouseButton Button, QPoint At) {
    Held &= ~Qt::MouseButtons(Button);
    if (!ImageHasMouse || !Selecting)
      return;
    Selecting = false;
    if (std::abs(At.x() - Start.x()) > 5 || std::abs(At.y() - Start.y()) > 5)
      ++History;
  }
};

// The shown picture is Bitmap, or Bitmap with one white rectangle outline.
bool ShowsBitmapOrOneOutline(const QImage& Shown, const TBitmap& Bitmap) {
  if (Shown.width() != Bitmap.Width() || Shown.height() != Bitmap.Height())
    return false;
  const QImage Rgb = Shown.convertToFormat(QImage::Format_RGB32);
  QRect Box;
  QList<QPoint> Changed;
  for (int Y = 0; Y < Bitmap.Height(); ++Y)
    for (int X = 0; X < Bitmap.Width(); ++X) {
      const TColor C = Bitmap.Pixel(X, Y);
      const QRgb Pixel = Rgb.pixel(X, Y);
      if (Pixel == qRgb(C & 0xFF, (C >> 8) & 0xFF, C >> 16))
        continue;
      if (Pixel != qRgb(255, 255, 255))
        return false;
      Changed.append({X, Y});
      Box |= QRect(X, Y, 1, 1);
    }
  for (const QPoint& P : Changed)
    if (P.x() != Box.left() && P.x() != Box.right() && P.y() != Box.top() && P.y() != Box.bottom())
      return false;
  return true;
}

} // namespace

// One seeded sequence of events against a fresh window.
class TRandomEventSequence {
public:
  // Slow: the real renderer, which also sends the image a mouse move while
  // it renders, as the window system would queue one meanwhile.
  TRandomEventSequence(unsigned Seed, bool Slow = false)
      : FRandom(Seed), FForm(Slow ? SlowRenderer() : FakeRenderer(), SmallImage) {}

  // Runs the events; returns an empty string or what went wrong.
  QString Run(int& Events) {
    ShowAndWait(FForm);
    for (int Step = 0; Step < EventsPerSequence && FForm.isVisible(); ++Step) {
      const TBitmap Before = FForm.Bitmap;
      const std::size_t HistoryBefore = FModel.History;
      const QString Event = Inject();
      ++Events;
      if (const QString Problem = Check(Before, HistoryBefore); !Problem.isEmpty())
        return QString("step %1 (%2): %3").arg(Step).arg(Event, Problem);
    }
    ReleaseAllButtons();
    return {};
  }

private:
  TRenderer SlowRenderer() {
    return [this](const TExtPoint& A, const TExtPoint& B, std::int32_t W, std::int32_t H,
                  const TRenderControl&) {
      // Made on the window's thread, which also writes the mouse's shared point.
      QMetaObject::invokeMethod(FForm.Image1, [Image = FForm.Image1] {
        QCoreApplication::postEvent(Image, new QMouseEvent(QEvent::MouseMove, QPointF(3, 4),
                                                           QPointF(3, 4), Qt::NoButton,
                                                           Qt::NoButton, Qt::NoModifier));
      }, Qt::QueuedConnection);
      return RenderMandelbrot(A, B, W, H);
    };
  }

  int Uniform(int Low, int High) { return std::uniform_int_distribution(Low, High)(FRandom); }

  // Mostly on the image, sometimes anywhere the X protocol allows.
  QPoint AnyPosition() {
    const QPoint At = Uniform(0, 3) == 0
                          ? QPoint(Uniform(-32767, 32767), Uniform(-32767, 32767))
                          : QPoint(Uniform(-3, SmallImage.width() + 2), Uniform(-3, SmallImage.height() + 2));
    return At == WindowOrigin ? AnyPosition() : At;
  }
  // Presses land in the window: on the image, or on its margin.
  QPoint WindowPosition() {
    const QPoint At(Uniform(-8, SmallImage.width() + 6), Uniform(-8, SmallImage.height() + 5));
    return At == WindowOrigin ? WindowPosition() : At;
  }
  // QTest sends an event at the window's (0, 0) to its centre instead.
  static constexpr QPoint WindowOrigin{-TMainForm::ImageLeft, -TMainForm::ImageTop};
  static bool OnImage(QPoint At) { return QRect(QPoint(), SmallImage).contains(At); }

  QString Inject() {
    const int Kind = Uniform(0, 99);
    const Qt::MouseButton Buttons[] = {Qt::LeftButton, Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
    if (Kind < 35) {
      const QPoint At = AnyPosition();
      Move(FForm, At);
      return QString("move to %1,%2").arg(At.x()).arg(At.y());
    }
    if (Kind < 60) {
      const Qt::MouseButton Button = Buttons[Uniform(0, 3)];
      if (FModel.Held.testFlag(Button))
        return Inject();
      const QPoint At = FModel.Held ? AnyPosition() : WindowPosition();
      if (!FModel.Held && !QRect(-8, -8, SmallImage.width() + 15, SmallImage.height() + 14).contains(At))
        return Inject();
      FModel.Press(Button, At, OnImage(At));
      Press(FForm, Button, At);
      return QString("press %1 at %2,%3").arg(Button).arg(At.x()).arg(At.y());
    }
    if (Kind < 85) {
      if (!FModel.Held)
        return Inject();
      Qt::MouseButton Button = Buttons[Uniform(0, 3)];
      while (!FModel.Held.testFlag(Button))
        Button = Buttons[Uniform(0, 3)];
      const QPoint At = AnyPosition();
      FModel.Release(Button, At);
      Release(FForm, Button, At);
      return QString("release %1 at %2,%3").arg(Button).arg(At.x()).arg(At.y());
    }
    if (Kind < 90) {
      if (FModel.Held)
        return Inject();
      const Qt::MouseButton Button = Uniform(0, 1) ? Qt::RightButton : Qt::LeftButton;
      const QPoint At(Uniform(0, SmallImage.width() - 1), Uniform(0, SmallImage.height() - 1));
      for (int K = 0; K < 2; ++K) {
        FModel.Press(Button, At, true);
        FModel.Release(Button, At);
      }
      QTest::mouseDClick(FForm.windowHandle(), Button, Qt::NoModifier,
                         At + QPoint(TMainForm::ImageLeft, TMainForm::ImageTop));
      return QString("double click %1").arg(Button);
    }
    if (Kind < 95) {
      const bool Closes = !FModel.Selecting;
      if (Closes && Uniform(0, 19) != 0)
        return Inject(); // closing ends the sequence: make it rare

      FModel.Selecting = false;
      QTest::keyClick(&FForm, Qt::Key_Escape);
      if (Closes != !FForm.isVisible())
        return "Esc did the wrong thing";
      return "Esc";
    }
    const Qt::Key Keys[] = {Qt::Key_A, Qt::Key_Space, Qt::Key_Return, Qt::Key_Left, Qt::Key_F5};
    QTest::keyClick(&FForm, Keys[Uniform(0, 4)], Uniform(0, 1) ? Qt::ShiftModifier : Qt::NoModifier);
    return "other key";
  }

  QString Check(const TBitmap& Before, std::size_t HistoryBefore) {
    if (FForm.History.size() != FModel.History)
      return QString("history has %1 entries, expected %2").arg(FForm.History.size()).arg(FModel.History);
    if (FForm.Selecting != FModel.Selecting)
      return "selection state differs";
    if (FModel.History == HistoryBefore && !(FForm.Bitmap == Before))
      return "the image changed without a zoom or a back";
    if (!ShowsBitmapOrOneOutline(FForm.Image1->Shown(), FForm.Bitmap))
      return "the screen shows neither the image nor the image with one outline";
    if (QGuiApplication::overrideCursor())
      return "the busy cursor stayed";
    if (ThreadPriority() != TThreadPriority::Normal)
      return "the priority stayed lowered";
    return {};
  }

  std::mt19937 FRandom;
  TMainForm FForm;
  TModel FModel;
};

void TRandomEventTest::RandomSequences() {
  const unsigned BaseSeed = qEnvironmentVariableIsSet("GORVANEL_SEED")
                                ? qEnvironmentVariableIntValue("GORVANEL_SEED")
                                : 20261208u;
  QElapsedTimer Timer;
  Timer.start();
  int Events = 0;
  for (int K = 0; K < Sequences; ++K) {
    const unsigned Seed = BaseSeed + K;
    TRandomEventSequence Sequence(Seed);
    const QString Problem = Sequence.Run(Events);
    QVERIFY2(Problem.isEmpty(),
             qPrintable(QString("seed %1 (rerun with GORVANEL_SEED=%1): %2").arg(Seed).arg(Problem)));
  }
  qInfo("%d events in %d sequences, %lld ms", Events, Sequences, Timer.elapsed());
  QVERIFY(Events >= 10000);
}

// The same with the real renderer on its own threads: renders take long
// enough for input to arrive meanwhile, and the window answers during them.
void TRandomEventTest::RandomSequencesWithRealRenders() {
  constexpr int SlowSequences = 12;
  int Events = 0;
  for (int K = 0; K < SlowSequences; ++K) {
    const unsigned Seed = 7000u + K;
    TRandomEventSequence Sequence(Seed, true);
    const QString Problem = Sequence.Run(Events);
    QVERIFY2(Problem.isEmpty(), qPrintable(QString("slow seed %1: %2").arg(Seed).arg(Problem)));
  }
  QVERIFY(Events >= 500);
}
