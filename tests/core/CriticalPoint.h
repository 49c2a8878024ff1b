// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The critical point of the simulated oven as theory gives it: a first order K, T with
// the oven's dead time plus the feedback's averaging (4.5 samples) and the hold of the
// order (half a sample), where the phase reaches −180°.
#include <cmath>

namespace vantor::testing {

struct OvenTheory {
  double K = 1.0, T = 8.0, L = 1.5 + 0.225 + 0.025;
  double W180() const {
    double lo = 0, hi = 10;
    for (int i = 0; i < 200; ++i) {
      const double mid = (lo + hi) / 2;
      (std::atan(mid * T) + mid * L < M_PI ? lo : hi) = mid;
    }
    return lo;
  }
  double Tu() const { return 2 * M_PI / W180(); }
  double Ku() const { return std::sqrt(1 + W180() * T * W180() * T) / K; }
  double GainDb(double f) const {
    return 20 * std::log10(K / std::sqrt(1 + std::pow(2 * M_PI * f * T, 2)));
  }
  double PhaseDegrees(double f) const {
    return -std::atan(2 * M_PI * f * T) * 180 / M_PI - 360 * f * L;
  }
};

}  // namespace vantor::testing
