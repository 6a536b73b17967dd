#include "RenderWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <exception>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Holds back input meant for one window while it is installed. The local
// loop below already leaves the window system's input events in their
// queue; this also catches input that reaches the window by other roads
// (events posted by the program or a test), and the close request, which
// is not input but must not close the window under a running handler.
class TInputHold : public QObject {
public:
  explicit TInputHold(QWidget& Window) : FWindow(&Window) { qApp->installEventFilter(this); }
  ~TInputHold() override { qApp->removeEventFilter(this); }

  // Delivers what was held, in order, after the current handler returns.
  void Release() {
    qApp->removeEventFilter(this);
    for (auto& [Receiver, Event] : FHeld)
      if (Receiver)
        QCoreApplication::postEvent(Receiver, Event.release());
    FHeld.clear();
    if (FCloseRequested && FWindow)
      QMetaObject::invokeMethod(FWindow, &QWidget::close, Qt::QueuedConnection);
  }

protected:
  bool eventFilter(QObject* Receiver, QEvent* Event) override {
    if (!FWindow || !Ours(Receiver))
      return false;
    if (Event->type() == QEvent::Close) {
      FCloseRequested = true;
      Event->ignore();
      return true;
    }
    if (!Event->isInputEvent())
      return false;
    FHeld.emplace_back(Receiver, std::unique_ptr<QEvent>(Event->clone()));
    return true;
  }

private:
  bool Ours(QObject* Receiver) const {
    if (Receiver == FWindow->windowHandle())
      return true;
    const auto* Widget = qobject_cast<QWidget*>(Receiver);
    return Widget && Widget->window() == FWindow;
  }

  QPointer<QWidget> FWindow;
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> FHeld;
  bool FCloseRequested = false;
};

} // namespace

void RunAnswering(QWidget& Window, const std::function<void()>& Job) {
  if (!qApp || !Window.isVisible()) {
    Job();
    return;
  }
  TInputHold Hold(Window);
  QEventLoop Loop;
  std::exception_ptr Failure;
  std::thread Worker;
  try {
    Worker = std::thread([&] {
      try {
        Job();
      } catch (...) {
        Failure = std::current_exception();
      }
      // Queued: the loop quits on its own thread, also if it has not
      // started yet when the job ends.
      QMetaObject::invokeMethod(&Loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
  } catch (const std::system_error&) {
    Job(); // no thread to be had: the window waits, as it would without one
    Hold.Release();
    return;
  }
  Loop.exec(QEventLoop::ExcludeUserInputEvents);
  Worker.join();
  Hold.Release();
  if (Failure)
    std::rethrow_exception(Failure);
}
