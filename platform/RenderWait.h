#pragma once

#include <functional>
#include <stop_token>

class QEvent;
class QObject;
class QWidget;

// What the input held during a job means for the job's result, as far as it
// has come: nothing yet, that it will be used, or that it never will be.
enum class THeldInput { Undecided, NeedsResult, DiscardsResult };

// Reads each held event (input, or a QCloseEvent for a close request) as it
// arrives, in order, until it answers other than Undecided.
using TInputWatch = std::function<THeldInput(QObject* Receiver, const QEvent& Event)>;

// Runs Job on a thread of its own while the calling (UI) thread keeps
// answering the window system for Window: pings, exposes and repaints go on,
// so the desktop never takes a long render for a hung program. User input to
// Window (mouse, keys, and a close request) is not handled meanwhile: it is
// held and delivered after the job, in the order it came, so no handler of
// the window runs in the middle of another. Watch, when given, reads the
// held input as it arrives; once it says the result will be discarded, Job's
// stop token is triggered. Returns when Job is done and rethrows what it
// threw. Where the window is not shown yet, or no thread can be started, Job
// simply runs on the calling thread, unwatched.
void RunAnswering(QWidget& Window, const std::function<void(std::stop_token)>& Job,
                  const TInputWatch& Watch = {});
