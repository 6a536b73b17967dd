#include "ThreadPriority.h"

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <cstdio>
#include <system_error>

void SetThreadPriority(TThreadPriority Priority) {
  const sched_param Param{};
  const int Policy = Priority == TThreadPriority::BelowNormal ? SCHED_BATCH : SCHED_OTHER;
  if (const int Error = pthread_setschedparam(pthread_self(), Policy, &Param); Error != 0)
    throw std::system_error(Error, std::generic_category(), "cannot set the thread priority");
}

TThreadPriority ThreadPriority() {
  int Policy = SCHED_OTHER;
  sched_param Param{};
  pthread_getschedparam(pthread_self(), &Policy, &Param);
  return Policy == SCHED_BATCH || Policy == SCHED_IDLE ? TThreadPriority::BelowNormal
                                                       : TThreadPriority::Normal;
}

TBelowNormalPriority::TBelowNormalPriority(TSetter Set) : FSet(Set) {
  try {
    FSet(TThreadPriority::BelowNormal);
  } catch (const std::exception& Error) {
    static std::atomic<bool> Reported{false};
    if (!Reported.exchange(true))
      std::fprintf(stderr, "gorvanel: %s; rendering at normal priority\n", Error.what());
  }
}

// A destructor must not throw; going back from SCHED_BATCH to SCHED_OTHER is
// always allowed, so there is nothing to report.
TBelowNormalPriority::~TBelowNormalPriority() {
  try {
    FSet(TThreadPriority::Normal);
  } catch (...) {
  }
}
