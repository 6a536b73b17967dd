// e2e-screen-compare SHOT EXPECTED [L T R B]: is the screenshot pixel for
// pixel the expected image, with a white rectangle outline framed on it if
// one is given? Prints the count of differing pixels; exit 0 when none.

#include "Bitmap.h"

#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3 && argc != 7) {
    std::fprintf(stderr, "usage: e2e-screen-compare SHOT EXPECTED [L T R B]\n");
    return 2;
  }
  const QImage Shot = QImage(argv[1]).convertToFormat(QImage::Format_RGB32);
  const QImage Expected = QImage(argv[2]).convertToFormat(QImage::Format_RGB32);
  if (Shot.isNull() || Expected.isNull()) {
    std::fprintf(stderr, "e2e-screen-compare: cannot read %s or %s\n", argv[1], argv[2]);
    return 2;
  }
  if (Shot.size() != Expected.size()) {
    std::printf("size %dx%d, expected %dx%d\n", Shot.width(), Shot.height(), Expected.width(),
                Expected.height());
    return 1;
  }
  TBitmap Want(Expected.width(), Expected.height());
  for (int Y = 0; Y < Want.Height(); ++Y)
    for (int X = 0; X < Want.Width(); ++X) {
      const QRgb P = Expected.pixel(X, Y);
      Want.SetPixel(X, Y, qRed(P) | qGreen(P) << 8 | qBlue(P) << 16);
    }
  if (argc == 7) {
    Want.SetBrushColor(clWhite);
    Want.FrameRect(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
  }
  long Different = 0;
  for (int Y = 0; Y < Want.Height(); ++Y)
    for (int X = 0; X < Want.Width(); ++X) {
      const TColor C = Want.Pixel(X, Y);
      Different += Shot.pixel(X, Y) != qRgb(C & 0xFF, (C >> 8) & 0xFF, C >> 16);
    }
  std::printf("%ld pixels differ\n", Different);
  return Different == 0 ? 0 : 1;
}
