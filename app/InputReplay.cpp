#include "InputReplay.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

TInputReplay::TInputReplay(const TImage& Image, bool Selecting, int LastX, int LastY)
    : FImage(&Image), FSelecting(Selecting), FLastX(LastX), FLastY(LastY),
      // The zoom starts as the last button is let go; a button still held
      // then holds the mouse for a widget this cannot know.
      FGrab(QGuiApplication::mouseButtons() == Qt::NoButton ? TTarget::None : TTarget::Unknown) {}

THeldInput TInputReplay::Next(QObject* Receiver, const QEvent& Event) {
  switch (Event.type()) {
  case QEvent::Close:
    return THeldInput::DiscardsResult;
  case QEvent::KeyPress:
    return Key(Event);
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonDblClick:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseMove:
    return Mouse(Receiver, Event);
  case QEvent::KeyRelease:
  case QEvent::ShortcutOverride:
  case QEvent::Wheel:
  case QEvent::ContextMenu:
  case QEvent::HoverEnter:
  case QEvent::HoverMove:
  case QEvent::HoverLeave:
  case QEvent::Enter:
  case QEvent::Leave:
    return THeldInput::Undecided; // the window has no handler for these
  default:
    return THeldInput::NeedsResult; // touch and tablet input become mouse input later
  }
}

// Keys reach the window whichever of its widgets they are sent to: the image
// takes no focus and passes them on.
THeldInput TInputReplay::Key(const QEvent& Event) const {
  if (static_cast<const QKeyEvent&>(Event).key() != Qt::Key_Escape)
    return THeldInput::Undecided;
  return FSelecting ? THeldInput::NeedsResult : THeldInput::DiscardsResult;
}

THeldInput TInputReplay::Mouse(QObject* Receiver, const QEvent& Event) {
  const auto& Mouse = static_cast<const QMouseEvent&>(Event);
  const QWidget* Window = FImage->window();
  TTarget Target = TTarget::Unknown;
  QPointF Local = Mouse.position();
  if (Receiver == FImage) {
    Target = TTarget::Image;
  } else if (Receiver == Window) {
    Target = TTarget::Window;
  } else if (Window->windowHandle() && Receiver == Window->windowHandle()) {
    Target = Route(Event, Window->childAt(Mouse.position().toPoint()) == FImage);
    Local = FImage->mapFrom(Window, Mouse.position());
  }
  if (Target == TTarget::Unknown)
    return THeldInput::NeedsResult;
  if (Target != TTarget::Image)
    return THeldInput::Undecided; // the window itself has no mouse handlers

  switch (Event.type()) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonDblClick:
    if (Mouse.button() == Qt::RightButton)
      return THeldInput::DiscardsResult;
    FSelecting = FSelecting || Mouse.button() == Qt::LeftButton;
    return THeldInput::Undecided;
  case QEvent::MouseButtonRelease:
    return FSelecting && ToMouseButton(Mouse.button()) ? THeldInput::NeedsResult
                                                        : THeldInput::Undecided;
  default: {
    const QPoint At = FImage->ToPixels(Local);
    return FSelecting && (At.x() != FLastX || At.y() != FLastY) ? THeldInput::NeedsResult
                                                                : THeldInput::Undecided;
  }
  }
}

TInputReplay::TTarget TInputReplay::Route(const QEvent& Event, bool OnImage) {
  const auto& Mouse = static_cast<const QMouseEvent&>(Event);
  const bool Release = Event.type() == QEvent::MouseButtonRelease;
  if (Event.type() == QEvent::MouseButtonPress && (Mouse.buttons() & ~Mouse.button()) == 0)
    FGrab = OnImage ? TTarget::Image : TTarget::Window;
  TTarget Target = FGrab;
  if (FGrab == TTarget::None && !Release && !(Mouse.buttons() && Event.type() == QEvent::MouseMove))
    Target = OnImage ? TTarget::Image : TTarget::Window;
  if (Release && Mouse.buttons() == Qt::NoButton)
    FGrab = TTarget::None;
  return Target;
}
