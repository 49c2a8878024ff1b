// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/Clock.h"

#include <cmath>
#include <thread>

namespace vantor {

RealClock::RealClock() : origin_(std::chrono::steady_clock::now()) {}

double RealClock::Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - origin_).count();
}

void RealClock::SleepUntil(double t) {
  if (!std::isfinite(t)) return;
  const auto target = origin_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                    std::chrono::duration<double>(t));
  std::this_thread::sleep_until(target);
}

void VirtualClock::SleepUntil(double t) {
  // Beyond about 290 years the nanosecond count would overflow: such a target is refused.
  if (!std::isfinite(t) || t * 1e9 >= 9.2e18) return;
  const auto target = std::llround(t * 1e9);
  if (target > nanoseconds_) nanoseconds_ = target;
}

}  // namespace vantor
