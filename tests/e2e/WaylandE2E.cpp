// The viewer's window on a real Wayland compositor: weston draws it, and
// weston's screenshots are compared pixel for pixel with gorvanel-render's
// pictures of the same views. Weston offers no way to inject input from
// outside, so the zoom and the return are driven from inside the process;
// what is checked is what the compositor shows.
//
// Run by wayland_e2e.sh with QT_QPA_PLATFORM=wayland inside weston started
// with --debug (which allows the screenshooter); GORVANEL_RENDER names the
// render tool and the current directory is where screenshots land.

#include "Image.h"
#include "Main.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <optional>

namespace {

// Renders a view with the render tool, as a picture of the image area.
QImage Render(const QStringList& Edges) {
  const QString File = QDir::current().filePath("expected.png");
  QProcess Tool;
  Tool.start(qEnvironmentVariable("GORVANEL_RENDER"),
             QStringList{"--output", File, "--"} + Edges);
  if (!Tool.waitForFinished(60000) || Tool.exitCode() != 0)
    return {};
  return QImage(File).convertToFormat(QImage::Format_RGB32);
}

QImage WithWhiteFrame(QImage Image, int Left, int Top, int Right, int Bottom) {
  for (int X = Left; X < Right; ++X) {
    Image.setPixel(X, Top, qRgb(255, 255, 255));
    Image.setPixel(X, Bottom - 1, qRgb(255, 255, 255));
  }
  for (int Y = Top; Y < Bottom; ++Y) {
    Image.setPixel(Left, Y, qRgb(255, 255, 255));
    Image.setPixel(Right - 1, Y, qRgb(255, 255, 255));
  }
  return Image;
}

// A screenshot of the whole output, through the compositor. Its alpha is
// kept: a transparent picture must not pass for a black one.
QImage Screenshot() {
  QDir Here = QDir::current();
  for (const QString& Old : Here.entryList({"wayland-screenshot*.png"}))
    Here.remove(Old);
  QProcess Shooter;
  Shooter.start("weston-screenshooter", {});
  if (!Shooter.waitForFinished(10000) || Shooter.exitCode() != 0)
    return {};
  const QStringList Shots = Here.entryList({"wayland-screenshot*.png"});
  return Shots.isEmpty() ? QImage()
                         : QImage(Here.filePath(Shots.first())).convertToFormat(QImage::Format_ARGB32);
}

bool Matches(const QImage& Shot, const QImage& Expected, QPoint At) {
  for (int Y = 0; Y < Expected.height(); ++Y)
    for (int X = 0; X < Expected.width(); ++X)
      if (Shot.pixel(At.x() + X, At.y() + Y) != (Expected.pixel(X, Y) | 0xFF000000u))
        return false;
  return true;
}

// Where in the screenshot the expected picture stands, opaque, to the pixel.
std::optional<QPoint> Find(const QImage& Shot, const QImage& Expected) {
  for (int Y = 0; Y + Expected.height() <= Shot.height(); ++Y)
    for (int X = 0; X + Expected.width() <= Shot.width(); ++X)
      if (Shot.pixel(X, Y) == (Expected.pixel(0, 0) | 0xFF000000u) && Matches(Shot, Expected, {X, Y}))
        return QPoint(X, Y);
  return std::nullopt;
}

// Waits up to 10 s for the compositor to show the picture where it was.
bool Shows(const QImage& Expected, std::optional<QPoint>& Where) {
  for (int Try = 0; Try < 50; ++Try) {
    QTest::qWait(200);
    const QImage Shot = Screenshot();
    if (Shot.isNull())
      continue;
    if (Where ? Matches(Shot, Expected, *Where) : (Where = Find(Shot, Expected)).has_value())
      return true;
    if (Try == 49)
      Shot.save("last-screenshot.png");
  }
  return false;
}

} // namespace

class TWaylandTest : public QObject {
  Q_OBJECT

private slots:
  void StartZoomAndReturn() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    const QImage Start = Render({});
    // Zooming into (100, 50)-(300, 200) of the start view gives these edges.
    const QImage Zoom =
        Render({"-0xe.559337d7635aa6cp-3", "0xe.559337d7635aa6cp-4", "-0xa.a6cc8289ca5593p-6"});
    QVERIFY(!Start.isNull() && !Zoom.isNull());

    TMainForm Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    std::optional<QPoint> Where;
    QVERIFY2(Shows(Start, Where), "the start view is not on the screen, opaque and exact");

    auto* Image = Form.findChild<TImage*>();
    QVERIFY(Image);
    QTest::mousePress(Image, Qt::LeftButton, {}, {100, 50});
    QTest::mouseMove(Image, {200, 120});
    QTest::mouseMove(Image, {300, 200});
    QTest::mouseRelease(Image, Qt::LeftButton, {}, {300, 200});
    QVERIFY2(Shows(Zoom, Where), "the zoomed view is not on the screen");

    QTest::mousePress(Image, Qt::RightButton, {}, {150, 150});
    QTest::mouseRelease(Image, Qt::RightButton, {}, {150, 150});
    QVERIFY2(Shows(WithWhiteFrame(Start, 100, 50, 300, 200), Where),
             "the return does not show the start view with its rectangle");
  }
};

QTEST_MAIN(TWaylandTest)
#include "WaylandE2E.moc"
