// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the derivative term makes of a sensor's noise while the process stands still.
#include <cmath>

#include "common/CardScale.h"

namespace vantor::testing {

// Standard deviation of the recorded derivative order (volts) for a sensor noise drawn
// uniformly in ±noiseVolts. The feedback is the mean of the last ten samples s, so from
// one cycle to the next the error moves by -(s_k - s_(k-10)) / 10, and the derivative
// order, Kd × 1000 / 50 ms times that move, is -2 Kd (s_k - s_(k-10)). A sample is the
// noise read to the nearest count q of the converter: variance a² / 3 + q² / 12, twice
// that for the difference of two samples; the record adds its rounding to 0.01 V.
inline double DerivativeNoiseSpread(double noiseVolts, double kd) {
  const double q = static_cast<double>(kInputFullScaleVolts) / kFullScaleCount;
  const double sample = noiseVolts * noiseVolts / 3 + q * q / 12;
  return std::sqrt(4 * kd * kd * 2 * sample + 0.01 * 0.01 / 12);
}

}  // namespace vantor::testing
