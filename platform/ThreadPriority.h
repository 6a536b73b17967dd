#pragma once

// The calling thread's scheduling priority, as far as an unprivileged Linux
// process can move it both ways: below normal is SCHED_BATCH (the scheduler
// treats the thread as a CPU-bound batch job and lets interactive work go
// first), normal is SCHED_OTHER. A raised nice value could not be lowered
// again without privilege, so it is not used. Threads started meanwhile
// inherit the policy.
enum class TThreadPriority { Normal, BelowNormal };

// Throws std::system_error when the system refuses.
void SetThreadPriority(TThreadPriority Priority);
TThreadPriority ThreadPriority();

// Lowers the calling thread's priority for its lifetime and sets it back to
// normal (not to whatever it was before) however the scope is left. The
// lowered priority is a courtesy to the rest of the desktop: where the
// system refuses it, the thread goes on at normal priority, and the first
// refusal in the process is reported on stderr. Set is how the priority is
// set (tests pass one that refuses).
class TBelowNormalPriority {
public:
  using TSetter = void (*)(TThreadPriority);
  explicit TBelowNormalPriority(TSetter Set = SetThreadPriority);
  ~TBelowNormalPriority();
  TBelowNormalPriority(const TBelowNormalPriority&) = delete;
  TBelowNormalPriority& operator=(const TBelowNormalPriority&) = delete;

private:
  TSetter FSet;
};
