// e2e-screen-compare SHOT EXPECTED [L T R B]: is the screenshot pixel for
// pixel the expected image, with a white rectangle outline framed on it if
// one is given? Prints the count of differing pixels; exit 0 when none.
//
// e2e-screen-compare --watch X Y TIMEOUT_MS EXPECTED [L T R B]: grabs the
// screen at (X, Y), the expected image's size, again and again until it is
// that image (framed as above), for at most TIMEOUT_MS. Prints when the
// first grab that matched had returned (milliseconds since the epoch): by
// then the picture was on the screen. Exit 0 on a match, 1 on none.

#include "Bitmap.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The expected picture, framed when a rectangle is given.
TBitmap Expected(const QImage& Image, char** Frame) {
  TBitmap Want(Image.width(), Image.height());
  for (int Y = 0; Y < Want.Height(); ++Y)
    for (int X = 0; X < Want.Width(); ++X) {
      const QRgb P = Image.pixel(X, Y);
      Want.SetPixel(X, Y, qRed(P) | qGreen(P) << 8 | qBlue(P) << 16);
    }
  if (Frame) {
    Want.SetBrushColor(clWhite);
    Want.FrameRect(std::atoi(Frame[0]), std::atoi(Frame[1]), std::atoi(Frame[2]), std::atoi(Frame[3]));
  }
  return Want;
}

long Differences(const QImage& Shot, const TBitmap& Want) {
  long Different = 0;
  for (int Y = 0; Y < Want.Height(); ++Y)
    for (int X = 0; X < Want.Width(); ++X) {
      const TColor C = Want.Pixel(X, Y);
      Different += Shot.pixel(X, Y) != qRgb(C & 0xFF, (C >> 8) & 0xFF, C >> 16);
    }
  return Different;
}

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int Watch(int argc, char** argv) {
  QGuiApplication Application(argc, argv);
  const int X = std::atoi(argv[2]), Y = std::atoi(argv[3]);
  const long long Deadline = NowMs() + std::atoll(argv[4]);
  const QImage Image = QImage(argv[5]).convertToFormat(QImage::Format_RGB32);
  if (Image.isNull()) {
    std::fprintf(stderr, "e2e-screen-compare: cannot read %s\n", argv[5]);
    return 2;
  }
  const TBitmap Want = Expected(Image, argc == 10 ? argv + 6 : nullptr);
  QScreen* Screen = QGuiApplication::primaryScreen();
  long Different = -1;
  do {
    const QImage Shot = Screen->grabWindow(0, X, Y, Want.Width(), Want.Height())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    const long long Grabbed = NowMs();
    if (Shot.size() == QSize(Want.Width(), Want.Height()) && (Different = Differences(Shot, Want)) == 0) {
      std::printf("%lld\n", Grabbed);
      return 0;
    }
  } while (NowMs() < Deadline);
  std::printf("no match; %ld pixels differ\n", Different);
  return 1;
}

} // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--watch") == 0) {
    if (argc != 6 && argc != 10) {
      std::fprintf(stderr, "usage: e2e-screen-compare --watch X Y TIMEOUT_MS EXPECTED [L T R B]\n");
      return 2;
    }
    return Watch(argc, argv);
  }
  if (argc != 3 && argc != 7) {
    std::fprintf(stderr, "usage: e2e-screen-compare SHOT EXPECTED [L T R B]\n");
    return 2;
  }
  const QImage Shot = QImage(argv[1]).convertToFormat(QImage::Format_RGB32);
  const QImage Image = QImage(argv[2]).convertToFormat(QImage::Format_RGB32);
  if (Shot.isNull() || Image.isNull()) {
    std::fprintf(stderr, "e2e-screen-compare: cannot read %s or %s\n", argv[1], argv[2]);
    return 2;
  }
  if (Shot.size() != Image.size()) {
    std::printf("size %dx%d, expected %dx%d\n", Shot.width(), Shot.height(), Image.width(),
                Image.height());
    return 1;
  }
  const long Different = Differences(Shot, Expected(Image, argc == 7 ? argv + 3 : nullptr));
  std::printf("%ld pixels differ\n", Different);
  return Different == 0 ? 0 : 1;
}
