#include "HeldInput.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointingDevice>

namespace {

bool IsMouse(QEvent::Type Type) {
  return Type == QEvent::MouseButtonPress || Type == QEvent::MouseButtonRelease ||
         Type == QEvent::MouseButtonDblClick || Type == QEvent::MouseMove;
}

} // namespace

THeldEvent::THeldEvent(QObject* Receiver, const QEvent& Event)
    : FReceiver(Receiver), FType(Event.type()) {
  if (IsMouse(FType)) {
    const auto& Mouse = static_cast<const QMouseEvent&>(Event);
    FMouse = TMouse{Mouse.position(),       Mouse.scenePosition(), Mouse.globalPosition(),
                    Mouse.button(),         Mouse.buttons(),       Mouse.modifiers(),
                    Mouse.pointingDevice(), Mouse.timestamp()};
  } else {
    FCopy.reset(Event.clone());
  }
}

bool THeldEvent::ForWindow() const { return FReceiver && FReceiver->isWindowType(); }

std::unique_ptr<QEvent> THeldEvent::Build() const {
  if (!FMouse)
    return std::unique_ptr<QEvent>(FCopy->clone());
  const TMouse& M = *FMouse;
  auto Event = std::make_unique<QMouseEvent>(FType, M.Position, M.ScenePosition, M.GlobalPosition,
                                             M.Button, M.Buttons, M.Modifiers, M.Device);
  Event->setTimestamp(M.Timestamp);
  return Event;
}

void THeldEvent::Deliver() const {
  if (!FReceiver)
    return;
  const std::unique_ptr<QEvent> Event = Build();
  QCoreApplication::sendEvent(FReceiver, Event.get());
}
