// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How well the last run kept its 50 ms pace: each cycle's period measured on the host's
// clock between two ends of the wait on input line 7 (the first from the run's start),
// and the cycles that came late. The card's counter restarts when it is reprogrammed, so
// a late wake-up lengthens that period instead of being caught up later.
#include <array>
#include <cstdint>
#include <string>

namespace vantor {

// A period longer than this counts as a late cycle.
inline constexpr double kLatePeriodSeconds = 0.055;

struct RunPacing {
  static constexpr int kEntries = 2001;  // one flag per entry of the run record

  std::int32_t Cycles = 0;      // cycles of the last run
  std::int32_t LateCycles = 0;  // of which late on the PC: periods over 55 ms
  // of which late on the card, which said so itself (the USB board: a frame lost, or the
  // order after it missing or late); counted apart, whatever their period on the PC
  std::int32_t CardLateCycles = 0;
  double LongestPeriod = 0;     // seconds
  double Elapsed = 0;           // seconds from the start to the end of the last cycle
  // LateEntry[k]: the cycle stored at entry k of the run record came late, on the PC or
  // on the card.
  std::array<bool, kEntries> LateEntry{};

  // A new run starts at time `now` (seconds): everything above is cleared.
  void Start(double now);
  // The cycle stored at `recordPos` ended its wait at time `now`; `lateOnCard` when the
  // card itself saw it late.
  void CycleEnded(double now, std::int32_t recordPos, bool lateOnCard = false);

 private:
  double last_ = 0;
};

// What the main window shows under its status line after a run:
// "Cycles en retard (plus de 55 ms) : 3 sur 412", followed by
// " ; en retard sur la carte : 2" when the card counted some.
std::string PacingText(const RunPacing& pacing);

// How worrying the late cycles are: none; a few (up to 2 % of the cycles, a run that
// still measures right); more.
enum class LatenessLevel { None, Few, Many };
LatenessLevel Lateness(const RunPacing& pacing);

}  // namespace vantor
