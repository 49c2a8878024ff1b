// SPDX-License-Identifier: GPL-3.0-or-later
// The margins of the sampled loop against loops simulated here, written from their
// equations: a process integrated in 1 ms steps, its order held 50 ms, read every 50 ms
// through the mean of ten readings, closed by a P corrector. At 0.97 Kc the oscillation
// dies out, at 1.03 Kc it grows, and its period is Tc.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <deque>
#include <vector>

#include "lesson-core/SampledMargins.h"

namespace vantor {
namespace {

// The P loop from a step of the setpoint; returns the reading at each cycle.
std::vector<double> SimulateP(const LinearProcess& p, double kp, int cycles) {
  const int fine = 50;  // 1 ms steps in a 50 ms period
  const double dt = 0.001;
  std::vector<double> lags(p.Lags.size(), 0.0);
  double integral = 0;
  std::deque<double> delayed(static_cast<std::size_t>(std::lround(p.Delay / dt)), 0.0);
  std::deque<double> readings(10, 0.0);
  std::vector<double> out;
  double order = 0;
  for (int k = 0; k < cycles; ++k) {
    const double y = p.Lags.empty() ? (p.Integrating ? integral : 0) : lags.back();
    readings.pop_front();
    readings.push_back(y);
    double mean = 0;
    for (double r : readings) mean += r;
    mean /= 10;
    out.push_back(y);
    order = kp * (1.0 - mean);  // setpoint 1
    for (int i = 0; i < fine; ++i) {
      delayed.push_back(order);
      const double u = delayed.front();
      delayed.pop_front();
      double in = p.Gain * u;
      if (p.Integrating) {
        integral += in * dt;
        in = integral;
      }
      for (std::size_t l = 0; l < lags.size(); ++l) {
        const double a = std::exp(-dt / p.Lags[l]);
        lags[l] = in + (lags[l] - in) * a;
        in = lags[l];
      }
    }
  }
  return out;
}

// The swing of the last quarter against the second, and the period between upward
// crossings of the mean over the second half.
struct Oscillation {
  double growth, period;
};
Oscillation Measure(const std::vector<double>& y) {
  const std::size_t n = y.size();
  auto swing = [&](std::size_t from, std::size_t to) {
    double lo = y[from], hi = y[from];
    for (std::size_t i = from; i < to; ++i) lo = std::min(lo, y[i]), hi = std::max(hi, y[i]);
    return hi - lo;
  };
  double mean = 0;
  for (std::size_t i = n / 2; i < n; ++i) mean += y[i];
  mean /= static_cast<double>(n - n / 2);
  std::vector<double> ups;
  for (std::size_t i = n / 2 + 1; i < n; ++i)
    if (y[i - 1] < mean && y[i] >= mean)
      ups.push_back(static_cast<double>(i - 1) + (mean - y[i - 1]) / (y[i] - y[i - 1]));
  const double period =
      ups.size() >= 2 ? (ups.back() - ups.front()) / static_cast<double>(ups.size() - 1) * 0.05 : 0;
  return {swing(3 * n / 4, n) / swing(n / 4, n / 2), period};
}

TEST(SampledMarginsTest, TheCriticalGainAndPeriodAreWhereTheSimulatedLoopStartsToGrow) {
  LinearProcess speed;  // the speed motor: K = 1, T = 0.5 s
  speed.Lags = {0.5};
  LinearProcess oven;  // the heater, with a delay that is not whole periods
  oven.Lags = {8};
  oven.Delay = 1.53;
  LinearProcess position;  // the position motor: an integrator behind a 0.2 s lag
  position.Integrating = true;
  position.Lags = {0.2};
  LinearProcess strejc;
  strejc.Gain = 1.5;
  strejc.Lags = {1, 1, 1};
  strejc.Delay = 0.3;
  for (const LinearProcess& p : {speed, oven, position, strejc}) {
    SampledLoop loop;
    loop.Process = p;
    const SampledMargins m = ComputeSampledMargins(loop);
    ASSERT_TRUE(m.Computed) << m.Reason;
    ASSERT_TRUE(m.HasCriticalGain);
    SCOPED_TRACE(LinearProcessText(p) + ", Kc = " + std::to_string(m.Kc));
    const int cycles = static_cast<int>(40 * m.Tc / 0.05);
    const Oscillation below = Measure(SimulateP(p, 0.97 * m.Kc, cycles));
    const Oscillation above = Measure(SimulateP(p, 1.03 * m.Kc, cycles));
    EXPECT_LT(below.growth, 0.95);
    EXPECT_GT(above.growth, 1.05);
    EXPECT_NEAR(above.period, m.Tc, 0.02 * m.Tc);
  }
}

TEST(SampledMarginsTest, TheSpeedLoopAtKp4IsStableWithItsPhaseMarginRead) {
  // The continuous approximation (the mean as a pure delay of 0.225 s, its gain left out)
  // gave a negative phase margin to this loop, which is stable.
  SampledLoop loop;
  loop.Process.Lags = {0.5};
  loop.Gains = {4, 0, 0};
  const SampledMargins m = ComputeSampledMargins(loop);
  ASSERT_TRUE(m.HasPhaseMargin);
  EXPECT_NEAR(m.PhaseMargin, 32, 2);
  EXPECT_LT(Measure(SimulateP(loop.Process, 4, 800)).growth, 0.5);
  // At the crossover, the loop written from the first order's closed form:
  // G(z) = K (1 − a) / (z − a), a = e^(−Te/T), times the mean and Kp.
  const double w = 2 * M_PI * m.GainCrossover * 0.05, a = std::exp(-0.05 / 0.5);
  const std::complex<double> z = std::polar(1.0, w);
  std::complex<double> mean = 0;
  for (int i = 0; i < 10; ++i) mean += std::pow(z, -i);
  const std::complex<double> l = 4.0 * (1 - a) / (z - a) * mean / 10.0;
  EXPECT_NEAR(std::abs(l), 1, 1e-6);
  EXPECT_NEAR(180 + std::arg(l) * 180 / M_PI, m.PhaseMargin, 1e-3);
  // The gain margin is the critical gain over Kp.
  EXPECT_NEAR(m.GainMarginDb, 20 * std::log10(m.Kc / 4), 1e-3);
}

TEST(SampledMarginsTest, TheIntegralAndDerivativeEnterTheLoopAsTheEngineComputesThem) {
  SampledLoop loop;
  loop.Process.Lags = {0.5};
  loop.Gains = {1, 2, 0.1};
  const double f = 0.3, te = 0.05;
  const std::complex<double> z = std::polar(1.0, 2 * M_PI * f * te);
  // I = Ki·Te·Σe, D = Kd·(e − e')/Te.
  const std::complex<double> c = 1.0 + 2.0 * te / (1.0 - 1.0 / z) + 0.1 * (1.0 - 1.0 / z) / te;
  EXPECT_NEAR(std::abs(SampledLoopResponse(loop, f) - c * SampledPlantResponse(loop, f)), 0, 1e-12);
  // The integral costs phase: the margin is smaller than with the same Kp alone.
  SampledLoop proportional = loop;
  proportional.Gains = {1.5, 0, 0};
  loop.Gains = {1.5, 2, 0};
  EXPECT_LT(ComputeSampledMargins(loop).PhaseMargin,
            ComputeSampledMargins(proportional).PhaseMargin - 10);
  // A model that cannot be a process of the workstation is refused, with no number.
  SampledLoop negative = loop;
  negative.Process.Gain = -1;
  const SampledMargins refused = ComputeSampledMargins(negative);
  EXPECT_FALSE(refused.Computed);
  EXPECT_NE(refused.Reason.find("action inverse"), std::string::npos);
  EXPECT_EQ(SampledMarginLines(refused).find("nan"), std::string::npos);
  EXPECT_NE(SampledMarginLines(refused).find("Kc=-"), std::string::npos);
}

}  // namespace
}  // namespace vantor
