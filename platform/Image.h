#pragma once

#include "Bitmap.h"
#include "InputRule.h"

#include <QImage>
#include <QWidget>

#include <optional>

// An opaque Qt copy of a bitmap, to show on any platform.
QImage ToQImage(const TBitmap& Bitmap);


// The button the image control reports for a Qt button; none for the extra
// buttons, which are not the image's business.
std::optional<TMouseButton> ToMouseButton(Qt::MouseButton Button);

// The image area: shows the image last drawn into it, stretched to its size,
// from its own copy, and reports mouse presses, moves and releases in image
// pixels. While a button is held Qt's implicit grab keeps the reports coming
// from anywhere on the screen, with positions outside the control unclamped.
//
// On a scaled screen the control renders sharp: its size in image pixels is
// its size in device pixels, and mouse positions are converted to them.
class TImage : public QWidget {
  Q_OBJECT

public:
  explicit TImage(QWidget* Parent = nullptr);

  // The control's size in image (device) pixels.
  int PixelWidth() const;
  int PixelHeight() const;

  // Draws Bitmap at (0, 0): replaces what the control shows and schedules a
  // repaint. The control keeps a copy; later changes to Bitmap do not show.
  void Draw(const TBitmap& Bitmap);

  // What the control shows, in image pixels (for tests and screenshots).
  const QImage& Shown() const { return FShown; }

  // A position in the control's logical coordinates, in image pixels, as
  // the mouse signals report it.
  QPoint ToPixels(const QPointF& Position) const;

signals:
  void MouseDown(TMouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void MouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
  void MouseUp(TMouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);

protected:
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

private:
  QImage FShown;
};
