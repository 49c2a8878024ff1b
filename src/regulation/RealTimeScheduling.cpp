// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/RealTimeScheduling.h"

#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace vantor {

namespace {

bool SetFifo(int priority) {
  sched_param param{};
  param.sched_priority = priority;
  return ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace

RealTimeScheduling::RealTimeScheduling() {
  // The loop waits for the end of each period by polling the card. On a single processor
  // a real-time thread that polls would leave the display server only the kernel's small
  // allowance for ordinary work, and the windows would freeze during a run.
  if (::sysconf(_SC_NPROCESSORS_ONLN) < 2) return;
  sched_param old{};
  if (::pthread_getschedparam(::pthread_self(), &oldPolicy_, &old) != 0) return;
  oldPriority_ = old.sched_priority;
  active_ = SetFifo(kPriority);
  if (!active_) {
    // An ordinary user may still have an allowance (RLIMIT_RTPRIO, set by the system's
    // limits.conf for an "audio" or "realtime" group, for example).
    rlimit allowance{};
    if (::getrlimit(RLIMIT_RTPRIO, &allowance) == 0 && allowance.rlim_cur > 0)
      active_ = SetFifo(static_cast<int>(std::min<rlim_t>(allowance.rlim_cur, kPriority)));
  }
  if (!active_) return;
  // Locked pages never wait for the disk; refused above RLIMIT_MEMLOCK, which is fine.
  locked_ = ::mlockall(MCL_CURRENT | MCL_FUTURE) == 0;
}

RealTimeScheduling::~RealTimeScheduling() {
  if (locked_) ::munlockall();
  if (active_) {
    sched_param old{};
    old.sched_priority = oldPriority_;
    ::pthread_setschedparam(::pthread_self(), oldPolicy_, &old);
  }
}

}  // namespace vantor
