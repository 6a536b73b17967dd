#include "AppTestSupport.h"

#include <QTest>

#include <cstring>
#include <memory>
#include <new>

namespace {

QWindow* Handle(TMainForm& Form) { return Form.windowHandle(); }

// The image area sits at (8, 8) in the window. QTest takes the window's
// (0, 0) to mean its centre, so that one position cannot be sent.
QPoint InWindow(QPoint At) {
  const QPoint Position = At + QPoint(TMainForm::ImageLeft, TMainForm::ImageTop);
  Q_ASSERT(!Position.isNull());
  return Position;
}

Qt::MouseButtons HeldButtons;
QWindow* HeldIn = nullptr;

std::uint32_t Hash(const void* Data, std::size_t Size, std::uint32_t Seed) {
  const auto* Bytes = static_cast<const unsigned char*>(Data);
  for (std::size_t K = 0; K < Size; ++K)
    Seed = (Seed ^ Bytes[K]) * 16777619u;
  return Seed;
}

TBitmap FakeImage(const TExtPoint& TopLeft, const TExtPoint& BottomRight, std::int32_t Width,
                  std::int32_t Height) {
  std::uint32_t Seed = 2166136261u;
  for (const TExtended Value : {TopLeft.X, TopLeft.Y, BottomRight.X, BottomRight.Y})
    Seed = Hash(&Value, 10, Seed);
  TBitmap Image(Width, Height);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X)
      Image.SetPixel(X, Y, (Seed + static_cast<std::uint32_t>(X * 3 + Y * 5)) & 0x7F7F7F);
  return Image;
}

} // namespace

void ShowAndWait(TMainForm& Form) {
  Form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&Form));
}

void Press(TMainForm& Form, Qt::MouseButton Button, QPoint At) {
  QTest::mousePress(Handle(Form), Button, Qt::NoModifier, InWindow(At));
  HeldButtons |= Button;
  HeldIn = Handle(Form);
}

void Move(TMainForm& Form, QPoint To) { QTest::mouseMove(Handle(Form), InWindow(To)); }

void Release(TMainForm& Form, Qt::MouseButton Button, QPoint At) {
  QTest::mouseRelease(Handle(Form), Button, Qt::NoModifier, InWindow(At));
  HeldButtons &= ~Qt::MouseButtons(Button);
}

void Click(TMainForm& Form, Qt::MouseButton Button, QPoint At) {
  Press(Form, Button, At);
  Release(Form, Button, At);
}

void Drag(TMainForm& Form, QPoint From, QPoint To) {
  Press(Form, Qt::LeftButton, From);
  Move(Form, To);
  Release(Form, Qt::LeftButton, To);
}

void ReleaseAllButtons() {
  for (const Qt::MouseButton Button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
    if (HeldButtons.testFlag(Button) && HeldIn)
      QTest::mouseRelease(HeldIn, Button, Qt::NoModifier, QPoint(0, 0));
  HeldButtons = {};
  HeldIn = nullptr;
}

TRenderer FakeRenderer() {
  return [](const TExtPoint& A, const TExtPoint& B, std::int32_t W, std::int32_t H,
            const TRenderControl&) { return FakeImage(A, B, W, H); };
}

TRenderer FailingRenderer(int FailingCall) {
  auto Calls = std::make_shared<int>(0);
  return [Calls, FailingCall](const TExtPoint& A, const TExtPoint& B, std::int32_t W,
                              std::int32_t H, const TRenderControl&) {
    if (++*Calls == FailingCall)
      throw std::bad_alloc();
    return FakeImage(A, B, W, H);
  };
}
