#include "MainFormTest.h"

#include "AppTestSupport.h"
#include "Main.h"
#include "RenderMandelbrot.h"
#include "ThreadPriority.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <array>
#include <cmath>
#include <set>
#include <stdexcept>

namespace {

// The screen's view of the image area, after the event loop had its turn.
QImage OnScreen(TMainForm& Form, TImage* Image) {
  QCoreApplication::processEvents();
  return Form.screen()
      ->grabWindow(Form.winId(), Image->x(), Image->y(), Image->width(), Image->height())
      .toImage();
}

TBitmap StartImage() {
  return RenderMandelbrot({StartViewLeft, StartViewTop},
                          {ViewRight(StartViewTop, StartViewLeft, StartViewBottom, 577, 353),
                           StartViewBottom},
                          577, 353);
}

TBitmap WithFrame(TBitmap Image, int L, int T, int R, int B) {
  Image.SetBrushColor(clWhite);
  Image.FrameRect(L, T, R, B);
  return Image;
}

} // namespace

void TMainFormTest::cleanup() {
  ReleaseAllButtons();
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  QCOMPARE(ThreadPriority(), TThreadPriority::Normal);
}

void TMainFormTest::Layout() {
  TMainForm Form;
  ShowAndWait(Form);
  QCOMPARE(Form.windowTitle(), QString("Gorvanel - The Mandelbrot Set"));
  QCOMPARE(Form.size(), QSize(592, 367));
  QCOMPARE(Form.minimumSize(), Form.maximumSize()); // not resizable
  const Qt::WindowFlags Flags = Form.windowFlags();
  // A normal application window, not a dialog (task bars list it).
  QCOMPARE(Form.windowType(), Qt::Window);
  QVERIFY(Flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!Flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!Flags.testFlag(Qt::WindowMaximizeButtonHint));
  QCOMPARE(Form.Image1->geometry(), QRect(8, 8, 577, 353));
  const QPoint Centre = Form.screen()->availableGeometry().center();
  QVERIFY((Form.geometry().center() - Centre).manhattanLength() <= 1);
  QCOMPARE(Form.backgroundRole(), QPalette::Window);
}

void TMainFormTest::FirstImageIsTheStartView() {
  TMainForm Form;
  ShowAndWait(Form);
  const TBitmap Expected = StartImage();
  QVERIFY(Form.Bitmap == Expected);
  QVERIFY(SameImage(Form.Image1->Shown(), Expected));
  QVERIFY(SameImage(OnScreen(Form, Form.Image1), Expected));
  QCOMPARE(Form.ViewTop, 1.25L);
  QCOMPARE(Form.ViewLeft, -2.5L);
  QCOMPARE(Form.ViewBottom, -1.25L);
  QVERIFY(Form.History.empty());
}

void TMainFormTest::EscClosesTheWindow() {
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  Drag(Form, {10, 10}, {100, 100}); // a history does not keep it open
  QCOMPARE(Form.History.size(), std::size_t{1});
  QTest::keyClick(&Form, Qt::Key_Escape);
  QVERIFY(!Form.isVisible());
}

void TMainFormTest::EscDuringADragCancelsIt() {
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  const TBitmap Before = Form.Bitmap;
  Press(Form, Qt::LeftButton, {20, 20});
  Move(Form, {120, 90});
  QVERIFY(!SameImage(Form.Image1->Shown(), Before)); // the band shows
  QTest::keyClick(&Form, Qt::Key_Escape);
  QVERIFY(Form.isVisible());
  QVERIFY(!Form.Selecting);
  QVERIFY(SameImage(Form.Image1->Shown(), Before)); // and is wiped
  Release(Form, Qt::LeftButton, {120, 90});         // the release does nothing
  QVERIFY(Form.History.empty());
  QVERIFY(Form.Bitmap == Before);
  QTest::keyClick(&Form, Qt::Key_Escape);
  QVERIFY(!Form.isVisible());
}

void TMainFormTest::OtherKeysDoNothing() {
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  Press(Form, Qt::LeftButton, {20, 20});
  for (const Qt::Key Key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Space, Qt::Key_Backspace, Qt::Key_F1})
    QTest::keyClick(&Form, Key, Qt::ControlModifier);
  QVERIFY(Form.isVisible());
  QVERIFY(Form.Selecting);
  Release(Form, Qt::LeftButton, {20, 20});
}

void TMainFormTest::RendersBusyAndLowered() {
  int Renders = 0;
  bool AlwaysBusy = true;
  TMainForm Form([&](const TExtPoint& A, const TExtPoint& B, std::int32_t W, std::int32_t H,
                     const TRenderControl&) {
    ++Renders;
    const QCursor* Cursor = QGuiApplication::overrideCursor();
    AlwaysBusy = AlwaysBusy && Cursor && Cursor->shape() == Qt::WaitCursor &&
                 ThreadPriority() == TThreadPriority::BelowNormal;
    return FakeRenderer()(A, B, W, H, {});
  });
  ShowAndWait(Form);
  Drag(Form, {10, 10}, {200, 100});
  QCOMPARE(Renders, 2);
  QVERIFY(AlwaysBusy);
}

void TMainFormTest::FailedFirstRenderThrowsCleanly() {
  QVERIFY_THROWS_EXCEPTION(std::bad_alloc, TMainForm(FailingRenderer(1)));
  // cleanup() checks that the cursor and the priority are back.
}

void TMainFormTest::ZoomAndGoBack() {
  TMainForm Form;
  ShowAndWait(Form);
  const TBitmap Start = Form.Bitmap;
  Drag(Form, {100, 50}, {300, 200});
  // In the start view one pixel is 2.5 / 353 high.
  const TExtended U = 2.5L / 353;
  QCOMPARE(Form.ViewTop, 1.25L - 50 * U);
  QCOMPARE(Form.ViewLeft, 100 * U + -2.5L);
  QCOMPARE(Form.ViewBottom, (353 - 200) * U + -1.25L);
  QVERIFY(std::abs(static_cast<double>(Form.ViewTop) - 0.8958924) < 1e-7);
  QVERIFY(std::abs(static_cast<double>(Form.ViewLeft) - -1.7917847) < 1e-7);
  QVERIFY(std::abs(static_cast<double>(Form.ViewBottom) - -0.1664306) < 1e-7);
  const TExtended Right = ViewRight(Form.ViewTop, Form.ViewLeft, Form.ViewBottom, 577, 353);
  QVERIFY(std::abs(static_cast<double>(Right) - -0.0553531) < 1e-7);
  const TFrame Expected =
      RenderFrame({Form.ViewLeft, Form.ViewTop}, {Right, Form.ViewBottom}, 577, 353);
  QCOMPARE(Expected.Limit, 50);
  QVERIFY(Form.Bitmap == Expected.Image);
  QVERIFY(SameImage(OnScreen(Form, Form.Image1), Expected.Image));

  QCOMPARE(Form.History.size(), std::size_t{1});
  const TBitmapDetail& Entry = Form.History.back();
  QCOMPARE(Entry.ViewTop, 1.25L);
  QCOMPARE(Entry.ViewLeft, -2.5L);
  QCOMPARE(Entry.ViewBottom, -1.25L);
  QVERIFY(Entry.Bitmap == Start);
  QCOMPARE((std::array{Entry.StartX, Entry.StartY, Entry.EndX, Entry.EndY}),
           (std::array{100, 50, 300, 200}));

  Click(Form, Qt::RightButton, {5, 5});
  QVERIFY(Form.History.empty());
  QCOMPARE(Form.ViewTop, 1.25L);
  QCOMPARE(Form.ViewLeft, -2.5L);
  QCOMPARE(Form.ViewBottom, -1.25L);
  QVERIFY(Form.Bitmap == Start); // clean: the frame is only on the screen
  QVERIFY(SameImage(OnScreen(Form, Form.Image1), WithFrame(Start, 100, 50, 300, 200)));
}

void TMainFormTest::EmptyHistoryDoesNothing() {
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  const TBitmap Before = Form.Bitmap;
  const TExtended Top = Form.ViewTop;
  Click(Form, Qt::RightButton, {40, 40});
  Form.GoBack();
  QVERIFY(Form.Bitmap == Before);
  QVERIFY(SameImage(Form.Image1->Shown(), Before));
  QCOMPARE(Form.ViewTop, Top);
}

void TMainFormTest::ThreeZoomsThreeBacks() {
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  const TBitmap Start = Form.Bitmap;
  Drag(Form, {10, 20}, {300, 200});
  const TBitmap First = Form.Bitmap;
  Drag(Form, {50, 60}, {200, 150});
  Drag(Form, {5, 5}, {100, 80});
  QCOMPARE(Form.History.size(), std::size_t{3});
  Click(Form, Qt::RightButton, {1, 1});
  Click(Form, Qt::RightButton, {1, 1});
  QVERIFY(Form.Bitmap == First);
  QVERIFY(SameImage(Form.Image1->Shown(), WithFrame(First, 50, 60, 200, 150)));
  Click(Form, Qt::RightButton, {1, 1});
  QVERIFY(Form.Bitmap == Start);
  QVERIFY(SameImage(Form.Image1->Shown(), WithFrame(Start, 10, 20, 300, 200)));
  QCOMPARE(Form.ViewTop, StartViewTop);
  Click(Form, Qt::RightButton, {1, 1}); // a fourth does nothing
  QVERIFY(Form.Bitmap == Start);
  // After going back, a new zoom pushes the restored view with its image.
  Drag(Form, {30, 30}, {90, 90});
  QCOMPARE(Form.History.size(), std::size_t{1});
  QVERIFY(Form.History.back().Bitmap == Start);
}

void TMainFormTest::FailedZoomLeavesEverything() {
  TMainForm Form(FailingRenderer(3)); // the start view and one zoom succeed
  ShowAndWait(Form);
  Drag(Form, {10, 10}, {200, 150});
  const TBitmap Before = Form.Bitmap;
  const TExtended Top = Form.ViewTop, Left = Form.ViewLeft, Bottom = Form.ViewBottom;
  Drag(Form, {20, 30}, {100, 90}); // fails
  QVERIFY(Form.Bitmap == Before);
  QVERIFY(SameImage(Form.Image1->Shown(), Before));
  QCOMPARE(Form.ViewTop, Top);
  QCOMPARE(Form.ViewLeft, Left);
  QCOMPARE(Form.ViewBottom, Bottom);
  QCOMPARE(Form.History.size(), std::size_t{1});
  QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  QCOMPARE(ThreadPriority(), TThreadPriority::Normal);
  // The window keeps working.
  Drag(Form, {20, 30}, {100, 90});
  QCOMPARE(Form.History.size(), std::size_t{2});
  Click(Form, Qt::RightButton, {1, 1});
  QVERIFY(Form.Bitmap == Before);
}

void TMainFormTest::SmallDragsChangeNothing_data() {
  QTest::addColumn<QPoint>("From");
  QTest::addColumn<QPoint>("To");
  QTest::newRow("click") << QPoint(100, 100) << QPoint(100, 100);
  QTest::newRow("5 right, 5 down") << QPoint(100, 100) << QPoint(105, 105);
  QTest::newRow("5 left, 5 up") << QPoint(100, 100) << QPoint(95, 95);
  QTest::newRow("5 left, 5 down") << QPoint(100, 100) << QPoint(95, 105);
}

void TMainFormTest::SmallDragsChangeNothing() {
  QFETCH(QPoint, From);
  QFETCH(QPoint, To);
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  const TBitmap Before = Form.Bitmap;
  Drag(Form, From, To);
  QVERIFY(Form.History.empty());
  QVERIFY(Form.Bitmap == Before);
  QVERIFY(SameImage(Form.Image1->Shown(), Before)); // the band is wiped
  QCOMPARE(Form.ViewTop, StartViewTop);
}

void TMainFormTest::DragDirectionDoesNotMatter() {
  TMainForm Down(FakeRenderer()), Up(FakeRenderer());
  ShowAndWait(Down);
  Drag(Down, {40, 30}, {140, 96});
  ShowAndWait(Up);
  Drag(Up, {140, 96}, {40, 30});
  QCOMPARE(Up.ViewTop, Down.ViewTop);
  QCOMPARE(Up.ViewLeft, Down.ViewLeft);
  QCOMPARE(Up.ViewBottom, Down.ViewBottom);
  const TBitmapDetail &A = Down.History.back(), &B = Up.History.back();
  QCOMPARE((std::array{A.StartX, A.StartY, A.EndX, A.EndY}),
           (std::array{B.StartX, B.StartY, B.EndX, B.EndY}));
  QVERIFY(Up.Bitmap == Down.Bitmap);
}

void TMainFormTest::FlatDragZoomsToOneColour() {
  TMainForm Form;
  ShowAndWait(Form);
  // A 6-pixel-wide flat drag already zooms.
  Drag(Form, {200, 120}, {206, 120});
  QCOMPARE(Form.History.size(), std::size_t{1});
  Click(Form, Qt::RightButton, {0, 0});
  Drag(Form, {200, 120}, {300, 120});
  QCOMPARE(Form.History.size(), std::size_t{1});
  const TExtended Height = Form.ViewTop - Form.ViewBottom;
  QVERIFY(std::abs(static_cast<double>(Height)) < 1e-17);
  const TExtended Right = ViewRight(Form.ViewTop, Form.ViewLeft, Form.ViewBottom, 577, 353);
  const TFrame Frame = RenderFrame({Form.ViewLeft, Form.ViewTop}, {Right, Form.ViewBottom}, 577, 353);
  QCOMPARE(Frame.Limit, 10000);
  std::set<TColor> Colours;
  for (int Y = 0; Y < 353; ++Y)
    for (int X = 0; X < 577; ++X)
      Colours.insert(Form.Bitmap.Pixel(X, Y));
  QCOMPARE(Colours.size(), std::size_t{1});
  Click(Form, Qt::RightButton, {0, 0});
  QVERIFY(Form.History.empty());
  QCOMPARE(Form.ViewTop, StartViewTop);
}

void TMainFormTest::DragEndingOutsideReachesBeyond() {
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  Press(Form, Qt::LeftButton, {300, 200});
  Move(Form, {250, -150});
  Release(Form, Qt::LeftButton, {250, -150}); // above the window
  QCOMPARE(Form.History.size(), std::size_t{1});
  QCOMPARE(Form.History.back().StartY, -150);
  QVERIFY(Form.ViewTop > StartViewTop);
}

void TMainFormTest::RightPressDuringADrag() {
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  Drag(Form, {10, 10}, {200, 200});
  const TBitmap Zoomed = Form.Bitmap;
  Press(Form, Qt::LeftButton, {50, 50});
  Move(Form, {120, 110});
  Press(Form, Qt::RightButton, {120, 110}); // goes back, the drag goes on
  QVERIFY(Form.History.empty());
  QVERIFY(Form.Selecting);
  QCOMPARE(Form.ViewTop, StartViewTop);
  Release(Form, Qt::RightButton, {120, 110}); // ends the drag: zooms in the start view
  QVERIFY(!Form.Selecting);
  QCOMPARE(Form.History.size(), std::size_t{1});
  QCOMPARE(Form.History.back().ViewTop, StartViewTop);
  QCOMPARE(Form.History.back().StartX, 50);
  Release(Form, Qt::LeftButton, {120, 110}); // nothing more
  QCOMPARE(Form.History.size(), std::size_t{1});
}

void TMainFormTest::MoveAtTheLastBandDrawsNothing() {
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  Press(Form, Qt::LeftButton, {20, 20});
  Move(Form, {80, 60});
  Release(Form, Qt::LeftButton, {80, 60}); // zooms; the band was last drawn at (80, 60)
  Click(Form, Qt::RightButton, {0, 0});     // back: the screen shows the frame
  const QImage Framed = Form.Image1->Shown();
  Press(Form, Qt::LeftButton, {200, 150});
  Move(Form, {80, 60}); // same position as the last band: nothing is drawn
  QVERIFY(Form.Image1->Shown() == Framed);
  Move(Form, {81, 60}); // anywhere else redraws over the clean image
  QVERIFY(SameImage(Form.Image1->Shown(), WithFrame(Form.Bitmap, 81, 60, 200, 150)));
  Move(Form, {80, 60}); // and back again redraws too
  QVERIFY(SameImage(Form.Image1->Shown(), WithFrame(Form.Bitmap, 80, 60, 200, 150)));
  Release(Form, Qt::LeftButton, {200, 150});
}

void TMainFormTest::RightDoubleClickGoesBackTwice() {
  TMainForm Form(FakeRenderer());
  ShowAndWait(Form);
  Drag(Form, {10, 10}, {300, 200});
  Drag(Form, {10, 10}, {300, 200});
  Drag(Form, {10, 10}, {300, 200});
  QTest::mouseDClick(Form.windowHandle(), Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
  QCOMPARE(Form.History.size(), std::size_t{1});
}

// Under QT_SCALE_FACTOR (2, or a fractional 1.5): the image has one pixel
// per device pixel, and a drag lands where the user dragged.
void TMainFormTest::ScaledScreen() {
  TMainForm Form;
  ShowAndWait(Form);
  const qreal Ratio = Form.devicePixelRatioF();
  if (Ratio == 1)
    QSKIP("runs under QT_SCALE_FACTOR");
  const int Width = static_cast<int>(std::lround(577 * Ratio));
  const int Height = static_cast<int>(std::lround(353 * Ratio));
  QCOMPARE(Form.Image1->PixelWidth(), Width);
  QCOMPARE(Form.Image1->PixelHeight(), Height);
  QCOMPARE(Form.Bitmap.Width(), Width);
  QCOMPARE(Form.Bitmap.Height(), Height);
  QCOMPARE(Form.Image1->Shown().devicePixelRatio(), Ratio);
  // Logical (50, 26) is image pixel (50, 26) times the ratio, rounded down.
  Drag(Form, {50, 26}, {150, 100});
  const auto Pixel = [Ratio](int Logical) { return static_cast<int>(std::floor(Logical * Ratio)); };
  const TBitmapDetail& Entry = Form.History.back();
  QCOMPARE((std::array{Entry.StartX, Entry.StartY, Entry.EndX, Entry.EndY}),
           (std::array{Pixel(50), Pixel(26), Pixel(150), Pixel(100)}));
  const TExtended U = 2.5L / Height;
  QCOMPARE(Form.ViewTop, 1.25L - Pixel(26) * U);
}
