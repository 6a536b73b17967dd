#include "BitmapTest.h"

#include "Bitmap.h"

#include <QTest>

#include <climits>
#include <set>
#include <utility>

namespace {

// The positions a bitmap holds in the given colour.
std::set<std::pair<int, int>> PixelsOf(const TBitmap& Image, TColor Color) {
  std::set<std::pair<int, int>> Found;
  for (int Y = 0; Y < Image.Height(); ++Y)
    for (int X = 0; X < Image.Width(); ++X)
      if (Image.Pixel(X, Y) == Color)
        Found.insert({X, Y});
  return Found;
}

// The outline of [L, R) x [T, B) clipped to W x H, the slow and obvious way.
std::set<std::pair<int, int>> Outline(long long L, long long T, long long R, long long B, int W,
                                      int H) {
  std::set<std::pair<int, int>> Pixels;
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) {
      const bool Inside = X >= L && X < R && Y >= T && Y < B;
      const bool Edge = X == L || X == R - 1 || Y == T || Y == B - 1;
      if (Inside && Edge)
        Pixels.insert({X, Y});
    }
  return Pixels;
}

} // namespace

void TBitmapTest::SetPixelIgnoresOutside() {
  TBitmap Image(4, 3);
  QCOMPARE(Image.Width(), 4);
  QCOMPARE(Image.Height(), 3);
  for (const auto& [X, Y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {INT_MIN, INT_MAX}})
    Image.SetPixel(X, Y, clWhite);
  QVERIFY(PixelsOf(Image, clWhite).empty());
  Image.SetPixel(3, 2, 0x123456);
  QCOMPARE(Image.Pixel(3, 2), TColor{0x123456});
  QCOMPARE(Image.Bits()[2 * 4 + 3], TColor{0x123456}); // row-major, red in the low byte
}

void TBitmapTest::CopyIsIndependent() {
  TBitmap Original(3, 3);
  TBitmap Copy = Original;
  Copy.SetPixel(1, 1, clWhite);
  QCOMPARE(Original.Pixel(1, 1), clBlack);
  QVERIFY(!(Copy == Original));
  const TColor* Pixels = Copy.Bits();
  const TBitmap Moved = std::move(Copy);
  QCOMPARE(Moved.Bits(), Pixels); // a move hands the pixels over without a copy
}

void TBitmapTest::FrameRect_data() {
  QTest::addColumn<int>("L");
  QTest::addColumn<int>("T");
  QTest::addColumn<int>("R");
  QTest::addColumn<int>("B");
  QTest::addColumn<int>("Expected"); // white pixels, or -1: compare with the obvious outline
  QTest::newRow("inside") << 2 << 1 << 7 << 5 << -1;
  QTest::newRow("right and bottom exclusive") << 0 << 0 << 10 << 8 << -1;
  QTest::newRow("clipped left and top") << -3 << -2 << 4 << 4 << -1;
  QTest::newRow("clipped right and bottom") << 5 << 4 << 40 << 30 << -1;
  QTest::newRow("around the image") << -1 << -1 << 11 << 9 << 0;
  QTest::newRow("far outside, from the mouse") << -32767 << -32767 << 32767 << 32767 << 0;
  QTest::newRow("extreme ints") << INT_MIN << INT_MIN << INT_MAX << INT_MAX << 0;
  QTest::newRow("one pixel") << 3 << 3 << 4 << 4 << 1;
  QTest::newRow("zero height: a line") << 2 << 3 << 8 << 3 << 6;
  QTest::newRow("zero width: a line") << 2 << 1 << 2 << 6 << 5;
  QTest::newRow("zero size: a dot") << 4 << 4 << 4 << 4 << 1;
  QTest::newRow("reversed: nothing") << 6 << 2 << 3 << 5 << 0;
}

void TBitmapTest::FrameRect() {
  QFETCH(int, L);
  QFETCH(int, T);
  QFETCH(int, R);
  QFETCH(int, B);
  QFETCH(int, Expected);
  TBitmap Image(10, 8);
  Image.SetBrushColor(clWhite);
  Image.FrameRect(L, T, R, B);
  const auto White = PixelsOf(Image, clWhite);
  if (Expected >= 0)
    QCOMPARE(static_cast<int>(White.size()), Expected);
  else
    QVERIFY(White == Outline(L, T, R, B, 10, 8));
}

void TBitmapTest::FrameUsesTheBrush() {
  TBitmap Image(5, 5);
  Image.SetBrushColor(0x00FF00);
  Image.FrameRect(0, 0, 5, 5);
  QCOMPARE(Image.Pixel(0, 4), TColor{0x00FF00});
  QCOMPARE(Image.Pixel(2, 2), clBlack);
}

void TBitmapTest::RejectsNegativeSize() {
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument, TBitmap(-1, 5));
  const TBitmap Empty(0, 7);
  QVERIFY(Empty.Empty());
}
