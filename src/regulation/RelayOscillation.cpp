// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/RelayOscillation.h"

#include <algorithm>
#include <cstddef>

namespace vantor {

namespace {

// The least depth below zero the error must reach between two counted crossings, so
// that noise around zero is not taken for a crossing when ε is small.
constexpr double kLeastCrossingBand = 0.02;

}  // namespace

RelayOscillation::RelayOscillation(double hysteresis, double sampleSeconds)
    : band_(std::max(hysteresis / 2, kLeastCrossingBand)), h_(sampleSeconds) {}

void RelayOscillation::Add(int k, double error, double feedback) {
  const double t = k * h_;
  if (!crossings_.empty()) {
    high_ = std::max(high_, feedback);
    low_ = std::min(low_, feedback);
  }
  if (error < -band_) armed_ = true;
  if (armed_ && havePrevious_ && previousError_ <= 0 && error > 0) {
    const double crossing =
        previousTime_ + (0 - previousError_) / (error - previousError_) * (t - previousTime_);
    if (!crossings_.empty()) halfSwings_.push_back((high_ - low_) / 2);
    crossings_.push_back(crossing);
    high_ = low_ = feedback;
    armed_ = false;
  }
  previousError_ = error;
  previousTime_ = t;
  havePrevious_ = true;
}

int RelayOscillation::SteadyFrom() const {
  const int n = static_cast<int>(crossings_.size()) - 1;  // whole periods
  if (n < kRelaySteadyPeriods) return -1;
  const int first = n - kRelaySteadyPeriods;
  double shortest = 1e300, longest = 0;
  for (int i = first; i < n; ++i) {
    const double period = crossings_[static_cast<std::size_t>(i) + 1] -
                          crossings_[static_cast<std::size_t>(i)];
    shortest = std::min(shortest, period);
    longest = std::max(longest, period);
  }
  return longest <= shortest * (1 + kRelayPeriodTolerance) ? first : -1;
}

}  // namespace vantor
