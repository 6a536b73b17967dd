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
// normal (not to whatever it was before) however the scope is left.
class TBelowNormalPriority {
public:
  TBelowNormalPriority();
  ~TBelowNormalPriority();
  TBelowNormalPriority(const TBelowNormalPriority&) = delete;
  TBelowNormalPriority& operator=(const TBelowNormalPriority&) = delete;
};
