// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/RunPacing.h"

#include <algorithm>

namespace vantor {

void RunPacing::Start(double now) {
  Cycles = 0;
  LateCycles = 0;
  LongestPeriod = 0;
  Elapsed = 0;
  LateEntry.fill(false);
  last_ = now;
}

void RunPacing::CycleEnded(double now, std::int32_t recordPos, bool lateOnCard) {
  const double period = now - last_;
  last_ = now;
  ++Cycles;
  LongestPeriod = std::max(LongestPeriod, period);
  Elapsed += period;
  const bool late = lateOnCard || period > kLatePeriodSeconds;
  if (late) ++LateCycles;
  // The record's last entry is rewritten by every cycle past it: its flag follows.
  if (recordPos >= 0 && recordPos < kEntries) LateEntry[static_cast<std::size_t>(recordPos)] = late;
}

std::string PacingText(const RunPacing& pacing) {
  return "Cycles en retard (plus de 55 ms) : " + std::to_string(pacing.LateCycles) + " sur " +
         std::to_string(pacing.Cycles);
}

LatenessLevel Lateness(const RunPacing& pacing) {
  if (pacing.LateCycles <= 0) return LatenessLevel::None;
  // In whole numbers: late / cycles <= 2 %.
  if (static_cast<long>(pacing.LateCycles) * 50 <= pacing.Cycles) return LatenessLevel::Few;
  return LatenessLevel::Many;
}

}  // namespace vantor
