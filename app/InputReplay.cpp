#include "InputReplay.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

TInputReplay::TInputReplay(const TImage& Image, const TDragState& State)
    : FImage(&Image), FState(State),
      // The zoom starts as the last button is let go; a button still held
      // then holds the mouse for a widget this cannot know.
      FGrab(QGuiApplication::mouseButtons() == Qt::NoButton ? TTarget::None : TTarget::Unknown) {}

THeldInput TInputReplay::Next(QObject* Receiver, const QEvent& Event) {
  switch (Event.type()) {
  case QEvent::Close:
    return Apply({TWindowInput::TKind::Close});
  case QEvent::KeyPress:
    // Keys reach the window whichever of its widgets they are sent to: the
    // image takes no focus and passes them on.
    return Apply({TWindowInput::TKind::Key, TMouseButton::mbLeft,
                  static_cast<const QKeyEvent&>(Event).key()});
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

THeldInput TInputReplay::Apply(const TWindowInput& Input) {
  const TInputEffect Effect = ApplyInput(FState, Input);
  if (Effect == TInputEffect::None)
    return THeldInput::Undecided;
  return UsesImage(Effect) ? THeldInput::NeedsResult : THeldInput::DiscardsResult;
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

  // As the image control reports it: a double click's second press is a
  // press, and the extra buttons are not reported.
  const QPoint At = FImage->ToPixels(Local);
  const std::optional<TMouseButton> Button = ToMouseButton(Mouse.button());
  switch (Event.type()) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonDblClick:
    return Button ? Apply({TWindowInput::TKind::MouseDown, *Button, 0, At.x(), At.y()})
                  : THeldInput::Undecided;
  case QEvent::MouseButtonRelease:
    return Button ? Apply({TWindowInput::TKind::MouseUp, *Button, 0, At.x(), At.y()})
                  : THeldInput::Undecided;
  default:
    return Apply({TWindowInput::TKind::MouseMove, TMouseButton::mbLeft, 0, At.x(), At.y()});
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
