#pragma once

#include <functional>

class QWidget;

// Runs Job on a thread of its own while the calling (UI) thread keeps
// answering the window system for Window: pings, exposes and repaints go on,
// so the desktop never takes a long render for a hung program. User input to
// Window (mouse, keys, and a close request) is not handled meanwhile: it is
// held and delivered after the job, in the order it came, so no handler of
// the window runs in the middle of another. Returns when Job is done and
// rethrows what it threw. Where the window is not shown yet, or no thread can
// be started, Job simply runs on the calling thread.
void RunAnswering(QWidget& Window, const std::function<void()>& Job);
