// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/RunPacing.h"

#include <algorithm>

namespace vantor {

void RunPacing::Start(double now) {
  Cycles = 0;
  LateCycles = 0;
  CardLateCycles = 0;
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
  const bool lateOnPc = period > kLatePeriodSeconds;
  if (lateOnPc) ++LateCycles;
  if (lateOnCard) ++CardLateCycles;
  const bool late = lateOnCard || lateOnPc;
  // The record's last entry is rewritten by every cycle past it: its flag follows.
  if (recordPos >= 0 && recordPos < kEntries) LateEntry[static_cast<std::size_t>(recordPos)] = late;
}

std::string PacingText(const RunPacing& pacing) {
  std::string text = "Cycles en retard (plus de 55 ms) : " + std::to_string(pacing.LateCycles) +
                     " sur " + std::to_string(pacing.Cycles);
  if (pacing.CardLateCycles > 0)
    text += " ; en retard sur la carte : " + std::to_string(pacing.CardLateCycles);
  return text;
}

LatenessLevel Lateness(const RunPacing& pacing) {
  const long late = std::max(pacing.LateCycles, pacing.CardLateCycles);
  if (late <= 0) return LatenessLevel::None;
  // In whole numbers: late / cycles <= 2 %.
  if (late * 50 <= pacing.Cycles) return LatenessLevel::Few;
  return LatenessLevel::Many;
}

}  // namespace vantor
