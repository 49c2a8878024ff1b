// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real-time scheduling for the sampled loop, for as long as this object lives: the
// calling thread runs under SCHED_FIFO and the process's memory is locked, so a busy
// machine no longer delays the end of a period. Only when the system permits it (root,
// CAP_SYS_NICE, or an RLIMIT_RTPRIO allowance) and the machine has more than one
// processor; otherwise nothing changes and nothing is said. The previous scheduling
// comes back, and the memory is unlocked, at the end.
namespace vantor {

class RealTimeScheduling {
 public:
  // The priority asked for: above every ordinary process, below the kernel's own
  // real-time threads. A smaller RLIMIT_RTPRIO allowance is used as it is.
  static constexpr int kPriority = 10;

  RealTimeScheduling();
  ~RealTimeScheduling();
  RealTimeScheduling(const RealTimeScheduling&) = delete;
  RealTimeScheduling& operator=(const RealTimeScheduling&) = delete;

  // Whether the thread runs under SCHED_FIFO now.
  bool Active() const { return active_; }

 private:
  bool active_ = false;
  bool locked_ = false;
  int oldPolicy_ = 0;
  int oldPriority_ = 0;
};

}  // namespace vantor
