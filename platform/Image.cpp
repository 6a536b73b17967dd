#include "Image.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <limits>
#include <optional>

namespace {


// The fourth byte of an RGBX8888 pixel on a little-endian machine.
constexpr std::uint32_t OpaqueByte = 0xFF000000u;

// Mouse positions travel as 32-bit integers; a position can only lie so far
// outside the control, but clamp anyway rather than overflow.
int ToCoordinate(qreal Value) {
  constexpr qreal Limit = std::numeric_limits<int>::max() / 2;
  return static_cast<int>(std::floor(std::clamp(Value, -Limit, Limit)));
}

} // namespace

std::optional<TMouseButton> ToMouseButton(Qt::MouseButton Button) {
  switch (Button) {
  case Qt::LeftButton:
    return TMouseButton::mbLeft;
  case Qt::RightButton:
    return TMouseButton::mbRight;
  case Qt::MiddleButton:
    return TMouseButton::mbMiddle;
  default:
    return std::nullopt; // extra buttons are not the image's business
  }
}

TImage::TImage(QWidget* Parent) : QWidget(Parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  // Moves arrive with or without a button held, as the handlers expect.
  setMouseTracking(true);
}

int TImage::PixelWidth() const {
  return static_cast<int>(std::lround(width() * devicePixelRatioF()));
}

int TImage::PixelHeight() const {
  return static_cast<int>(std::lround(height() * devicePixelRatioF()));
}

// The bitmap's pixels are R, G, B, X bytes with X = 0. RGBX8888 wants X to be
// 255: a compositor that honours a window's alpha (Wayland does) would show
// a 0 as transparent. The copy gets the 255; the bitmap keeps its TColors.
QImage ToQImage(const TBitmap& Bitmap) {
  QImage Image(Bitmap.Width(), Bitmap.Height(), QImage::Format_RGBX8888);
  for (int Y = 0; Y < Bitmap.Height(); ++Y) {
    const TColor* From = Bitmap.Bits() + static_cast<std::size_t>(Y) * Bitmap.Width();
    auto* To = reinterpret_cast<std::uint32_t*>(Image.scanLine(Y));
    for (int X = 0; X < Bitmap.Width(); ++X)
      To[X] = From[X] | OpaqueByte;
  }
  return Image;
}

void TImage::Draw(const TBitmap& Bitmap) {
  FShown = ToQImage(Bitmap);
  FShown.setDevicePixelRatio(devicePixelRatioF());
  update();
}

void TImage::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  if (FShown.isNull())
    Painter.fillRect(rect(), palette().window());
  else
    Painter.drawImage(QRectF(rect()), FShown);
}

QPoint TImage::ToPixels(const QPointF& Position) const {
  const qreal Ratio = devicePixelRatioF();
  return {ToCoordinate(Position.x() * Ratio), ToCoordinate(Position.y() * Ratio)};
}

void TImage::mousePressEvent(QMouseEvent* Event) {
  if (const auto Button = ToMouseButton(Event->button())) {
    const QPoint P = ToPixels(Event->position());
    emit MouseDown(*Button, Event->modifiers(), P.x(), P.y());
  }
}

// The second press of a double click is a press like any other.
void TImage::mouseDoubleClickEvent(QMouseEvent* Event) { mousePressEvent(Event); }

void TImage::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint P = ToPixels(Event->position());
  emit MouseMove(Event->modifiers(), P.x(), P.y());
}

void TImage::mouseReleaseEvent(QMouseEvent* Event) {
  if (const auto Button = ToMouseButton(Event->button())) {
    const QPoint P = ToPixels(Event->position());
    emit MouseUp(*Button, Event->modifiers(), P.x(), P.y());
  }
}
