#pragma once

#include <QEvent>
#include <QPointer>
#include <QPointF>

#include <memory>
#include <optional>

class QPointingDevice;

// A copy of an input event (or of a close request), to be delivered later as
// it came. A mouse event shares its point with its pointing device, whose
// later events overwrite it: a held one keeps its values and is built anew
// when it is needed.
class THeldEvent {
public:
  THeldEvent(QObject* Receiver, const QEvent& Event);

  QObject* Receiver() const { return FReceiver; }
  QEvent::Type Type() const { return FType; }
  bool ForWindow() const; // sent to a window, as the window system sends

  // A new event like the one held.
  std::unique_ptr<QEvent> Build() const;
  // Sends it to its receiver, if that still exists.
  void Deliver() const;

private:
  struct TMouse {
    QPointF Position, ScenePosition, GlobalPosition;
    Qt::MouseButton Button;
    Qt::MouseButtons Buttons;
    Qt::KeyboardModifiers Modifiers;
    const QPointingDevice* Device;
    quint64 Timestamp;
  };

  QPointer<QObject> FReceiver;
  QEvent::Type FType;
  std::optional<TMouse> FMouse;
  std::unique_ptr<QEvent> FCopy; // any other event
};
