// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the card's counts mean in volts, the same on every card the program drives.
//   inputs:   unipolar range, 0..4095 counts for 0..10.24 V (counts × 10.24 / 4095);
//   output 2: the order, through an inverting amplifier: count 2048 is 0 V and the
//             voltage rises by 1 V every 205 counts down, limited to ±10 V;
//   output 1: 0..10 V, count × 10 / 4095.
// The rest values are the counts every way out of a run leaves on the outputs.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vantor {

inline constexpr std::uint16_t kOrderRestCount = 2048;
inline constexpr std::uint16_t kOutput1RestCount = 0;
inline constexpr std::uint16_t kFullScaleCount = 4095;
inline constexpr long double kInputFullScaleVolts = 10.24L;
inline constexpr int kOrderCountsPerVolt = 205;

// Volts of an input reading, in extended precision as the corrector computes.
inline long double InputCountsToVolts(std::int32_t counts) {
  return static_cast<long double>(counts) * kInputFullScaleVolts / kFullScaleCount;
}

// Counts of an input voltage as the converter gives them: nearest count, 0..4095.
inline std::uint16_t InputVoltsToCounts(double volts) {
  return static_cast<std::uint16_t>(
      std::clamp(std::lround(volts * 4095.0 / 10.24), 0L, static_cast<long>(kFullScaleCount)));
}

// Output 2 count of an order: 2048 - 205 × volts, limited to 0..4095, halves to even.
inline std::uint16_t OrderToCount(long double order) {
  long double count = kOrderRestCount - kOrderCountsPerVolt * order;
  if (count > kFullScaleCount) count = kFullScaleCount;
  if (count < 0) count = 0;
  // An order that is not a number (never produced by finite inputs) leaves the
  // actuator at rest rather than at an arbitrary count.
  if (std::isnan(count)) return kOrderRestCount;
  // Halves to even (default rounding mode) in one x87 store.
  return static_cast<std::uint16_t>(std::lrint(count));
}

// Volts the amplifier drives for an output 2 count.
inline double OrderCountToVolts(std::uint16_t count) {
  return std::clamp((static_cast<double>(kOrderRestCount) - count) / kOrderCountsPerVolt, -10.0,
                    10.0);
}

// Volts of output 1 for a count.
inline double Output1CountToVolts(std::uint16_t count) {
  return count * 10.0 / kFullScaleCount;
}

}  // namespace vantor
