#include "RenderWait.h"

#include "HeldInput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <deque>
#include <exception>
#include <system_error>
#include <thread>

namespace {

// One window's input while jobs run and until what they held is handled:
// from the window system and by other roads (events posted by the program
// or a test), and the close request, which is not input but must not close
// the window under a running handler. It all waits in one queue, in the
// order it came, and is handed to the window one event at a time once no
// job runs. An event handed over may start a job of its own (a zoom), which
// holds what comes meanwhile behind what still waits, so the order stands
// however jobs nest. The running job's watch reads the queue, older events
// first.
class TInputGate : public QObject {
public:
  static TInputGate& Of(QWidget& Window) {
    for (QObject* Child : Window.children())
      if (auto* Gate = dynamic_cast<TInputGate*>(Child))
        return *Gate;
    return *new TInputGate(Window); // the window owns it
  }

  struct TJob {
    const TInputWatch& Watch;
    std::stop_source& Stop;
    bool Decided = false;
  };

  // Holds input while Job runs; the previous job, if any, is back afterwards.
  class TJobScope {
  public:
    TJobScope(TInputGate& Gate, TJob& Job) : FGate(Gate), FPrevious(Gate.FJob) {
      Gate.FJob = &Job;
      // What still waits comes before anything new: the watch reads it
      // first, as far as it needs to.
      for (auto Held = Gate.FPending.begin();
           Job.Watch && !Job.Decided && Held != Gate.FPending.end(); ++Held)
        Gate.Read(Held->Receiver(), *Held->Build());
    }
    ~TJobScope() {
      FGate.FJob = FPrevious;
      if (!FGate.FJob && !FGate.FPending.empty())
        QMetaObject::invokeMethod(&FGate, &TInputGate::Drain, Qt::QueuedConnection);
    }
    TJobScope(const TJobScope&) = delete;
    TJobScope& operator=(const TJobScope&) = delete;

  private:
    TInputGate& FGate;
    TJob* const FPrevious;
  };

protected:
  bool eventFilter(QObject* Receiver, QEvent* Event) override {
    if (!Holding() || !Ours(Receiver))
      return false;
    const bool Close = Event->type() == QEvent::Close;
    if (!Close && !Event->isInputEvent())
      return false;
    FPending.emplace_back(Receiver, *Event);
    if (Close)
      Event->ignore();
    Read(Receiver, *Event);
    return true;
  }

private:
  explicit TInputGate(QWidget& Window) : QObject(&Window), FWindow(&Window) {
    qApp->installEventFilter(this);
  }

  bool Holding() const { return FJob || (!FPending.empty() && !FDelivering); }

  bool Ours(QObject* Receiver) const {
    if (Receiver == FWindow->windowHandle())
      return true;
    const auto* Widget = qobject_cast<QWidget*>(Receiver);
    return Widget && Widget->window() == FWindow;
  }

  // A watch that fails decides nothing but that the job runs to its end;
  // the failure is reported, since it costs the user a render they may
  // have wanted stopped.
  void Read(QObject* Receiver, const QEvent& Event) {
    if (!FJob || FJob->Decided || !FJob->Watch)
      return;
    THeldInput Verdict = THeldInput::NeedsResult;
    try {
      Verdict = FJob->Watch(Receiver, Event);
    } catch (const std::exception& Error) {
      std::fprintf(stderr, "gorvanel: reading the input held during a render failed: %s\n",
                   Error.what());
    }
    FJob->Decided = Verdict != THeldInput::Undecided;
    if (Verdict == THeldInput::DiscardsResult)
      FJob->Stop.request_stop();
  }

  // Hands what waits to the window, in order, until a job runs. The window
  // system's second press of a double click goes no further than Qt lets it
  // (not to the widgets): the double click after it stands for it.
  void Drain() {
    if (FDelivering)
      return; // the drain under way goes on when the handler returns
    while (!FJob && !FPending.empty()) {
      const THeldEvent Held = std::move(FPending.front());
      FPending.pop_front();
      const bool SecondPress = Held.Type() == QEvent::MouseButtonPress && Held.ForWindow() &&
                               !FPending.empty() &&
                               FPending.front().Type() == QEvent::MouseButtonDblClick &&
                               FPending.front().ForWindow();
      if (SecondPress)
        continue;
      FDelivering = true;
      if (Held.Type() == QEvent::Close) {
        if (FWindow)
          FWindow->close();
      } else {
        Held.Deliver();
      }
      FDelivering = false;
    }
  }

  QPointer<QWidget> FWindow;
  std::deque<THeldEvent> FPending;
  TJob* FJob = nullptr;
  bool FDelivering = false;
};

} // namespace

void RunAnswering(QWidget& Window, const std::function<void(std::stop_token)>& Job,
                  const TInputWatch& Watch) {
  std::stop_source Stop;
  if (!qApp || !Window.isVisible()) {
    Job(Stop.get_token());
    return;
  }
  TInputGate::TJob Watched{Watch, Stop};
  const TInputGate::TJobScope Scope(TInputGate::Of(Window), Watched);
  QEventLoop Loop;
  std::exception_ptr Failure;
  std::thread Worker;
  try {
    Worker = std::thread([&] {
      try {
        Job(Stop.get_token());
      } catch (...) {
        Failure = std::current_exception();
      }
      // Queued: the loop quits on its own thread, also if it has not
      // started yet when the job ends.
      QMetaObject::invokeMethod(&Loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
  } catch (const std::system_error&) {
    Job(Stop.get_token()); // no thread to be had: the window waits, as it would without one
    return;
  }
  // Input is taken from the window system as it comes, so that the watch
  // sees it at once; the gate keeps it from the window's handlers.
  Loop.exec();
  Worker.join();
  if (Failure)
    std::rethrow_exception(Failure);
}
