// SPDX-License-Identifier: GPL-3.0-or-later
// The relay law and the relay test read from its record: a synthetic limit cycle whose
// amplitude and period are known, the refusals, and the test on the simulated oven.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "CriticalPoint.h"
#include "SimulatedRun.h"
#include "lesson-core/RelayAnalysis.h"
#include "lesson-core/StepMeasures.h"
#include "regulation/RelayLaw.h"
#include "simulation/ThermalProcess.h"

namespace vantor::testing {
namespace {

// A record of a relay's limit cycle around a 5 V setpoint: the feedback swings by ±a
// with period tu (its period growing by `drift` each period), and the order switches
// as a relay with hysteresis eps would.
std::unique_ptr<Trial> SyntheticRelayRun(double a, double tu, double d, double eps, double bias,
                                         double drift = 0) {
  auto t = std::make_unique<Trial>();
  t->SamplePeriodMs = 50;
  t->LastEntry = 1200;
  t->SetpointKind = "echelon";
  double phase = 0, period = tu;
  int state = 0;
  for (int k = 1; k <= t->LastEntry; ++k) {
    phase += 2 * M_PI * 0.05 / period;
    if (phase >= 2 * M_PI) {
      phase -= 2 * M_PI;
      period *= 1 + drift;
    }
    const double y = 5 + a * std::sin(phase);
    const double e = 5 - y;
    if (e > eps) state = 1;
    if (e < -eps) state = -1;
    auto put = [&](int series, double v) {
      t->Record[static_cast<std::size_t>(series * kRecordEntries + k)] = ToHundredths(v);
    };
    put(kSeriesSetpoint, 5);
    put(kSeriesFeedback, y);
    put(kSeriesError, e);
    put(kSeriesOrder, bias + state * d);
  }
  return t;
}

TEST(RelayAnalysis, ASyntheticLimitCycleGivesBackItsAmplitudePeriodAndTheCriticalGain) {
  const double a = 0.8, tu = 6.3, d = 2, eps = 0.1, bias = 5;
  const auto run = SyntheticRelayRun(a, tu, d, eps, bias);
  const RelayResult r = AnalyseRelay(*run, {d, eps, bias});
  ASSERT_TRUE(r.Measured) << r.Reason;
  EXPECT_NEAR(r.A, a, 0.01);
  EXPECT_NEAR(r.Tu, tu, 0.02);
  EXPECT_NEAR(r.Ku, 4 * d / (M_PI * std::sqrt(a * a - eps * eps)), 0.01 * r.Ku);
  // Upward crossings at 3.15 s + n × 6.3 s up to 60 s: ten, so nine whole periods.
  EXPECT_EQ(r.Periods, 9);
  // The rules' gains come from this Ku and Tu: Ziegler–Nichols' P is half of Ku.
  ASSERT_FALSE(r.Proposals.empty());
  EXPECT_DOUBLE_EQ(r.Proposals[0].Kp, 0.5 * r.Ku);

  // A run file does not say which relay made it: its record does.
  RelaySettings found;
  ASSERT_TRUE(RelaySettingsFromRecord(*run, found));
  EXPECT_DOUBLE_EQ(found.Amplitude, d);
  EXPECT_DOUBLE_EQ(found.Bias, bias);
  EXPECT_GE(found.Hysteresis, eps - 0.005);
  EXPECT_LE(found.Hysteresis, eps + 0.02);
}

TEST(RelayAnalysis, RunsWithoutASteadyOscillationAreRefusedWithTheirReason) {
  // No oscillation: a record that stays on its setpoint.
  auto flat = std::make_unique<Trial>();
  flat->LastEntry = 1200;
  RelayResult r = AnalyseRelay(*flat, {2, 0.1, 5});
  EXPECT_FALSE(r.Measured);
  EXPECT_EQ(r.Periods, 0);
  EXPECT_FALSE(r.Reason.empty());
  // Periods growing by 10 % each: never four within 5 %.
  r = AnalyseRelay(*SyntheticRelayRun(0.8, 3, 2, 0.1, 5, 0.10), {2, 0.1, 5});
  EXPECT_FALSE(r.Measured);
  EXPECT_GE(r.Periods, 4);
  // An amplitude within the hysteresis has no critical gain (the root would be imaginary).
  r = AnalyseRelay(*SyntheticRelayRun(0.3, 5, 2, 0.1, 5), {2, 0.35, 5});
  EXPECT_FALSE(r.Measured);
  EXPECT_NEAR(r.A, 0.3, 0.01);
  // And the settings themselves.
  EXPECT_FALSE(RelaySettingsFault({0, 0.1, 0}).empty());
  EXPECT_FALSE(RelaySettingsFault({2, -0.1, 0}).empty());
  EXPECT_FALSE(RelaySettingsFault({2, 0.1, 11}).empty());
  EXPECT_TRUE(RelaySettingsFault({10, 0, -10}).empty());
}

SimulatedRun OvenStep(CorrectorLaw& law, bool realistic = false) {
  SimulatedRun r;
  r.Process = std::make_unique<ThermalProcess>();
  if (realistic) r.Process->ApplyProfile(SimulationProfile::Realistic);
  r.Edit5 = "5";
  r.Law = &law;
  return r;
}

TEST(RelayTestOnTheOven, StopsOnceSteadyAndFindsTheCriticalPointWithTheFirstHarmonicsBias) {
  RelayLaw relay({2, 0.05, 5}, RelayLaw::Use::Test);
  SimulatedRun r = OvenStep(relay);
  const auto run = std::make_unique<Trial>(RunSimulated(r));
  // The test ends itself, well before the 1,900 cycles asked for and its 60 s limit.
  EXPECT_LT(run->LastEntry, 1200);
  EXPECT_TRUE(relay.Oscillation().Steady());
  const RelayResult result = AnalyseRelay(*run, relay.Settings());
  ASSERT_TRUE(result.Measured) << result.Reason;
  // The order is only ever the two levels of the relay, or the bias before it switched.
  for (int k = 1; k <= run->LastEntry; ++k) {
    const double u = At(*run, kSeriesOrder, k);
    EXPECT_TRUE(u == 3 || u == 7 || u == 5) << k << ": " << u;
  }
  const OvenTheory oven;
  EXPECT_NEAR(result.Tu, oven.Tu(), 0.1 * oven.Tu());
  // Only the square wave's first harmonic is counted: on a first order with a short delay
  // the critical gain comes out low, by some 20 %.
  EXPECT_LT(result.Ku, 0.9 * oven.Ku());
  EXPECT_GT(result.Ku, 0.7 * oven.Ku());
}

TEST(RelayTestOnTheOven, OnOffControlSwingsAboutTheSetpointUntilFin) {
  RelayLaw onOff({10, 0.1, 0}, RelayLaw::Use::OnOff);
  SimulatedRun r = OvenStep(onOff);
  const auto run = std::make_unique<Trial>(RunSimulated(r));
  EXPECT_EQ(run->LastEntry, 1900);  // no steady oscillation ends it
  double high = 0, low = 10;
  for (int k = 1000; k <= 1900; ++k) {
    high = std::max(high, At(*run, kSeriesFeedback, k));
    low = std::min(low, At(*run, kSeriesFeedback, k));
    const double u = At(*run, kSeriesOrder, k);
    ASSERT_TRUE(u == 10 || u == -10) << k;
  }
  EXPECT_GT(high, 5.1);
  EXPECT_LT(low, 4.9);
}

TEST(RelayTestOnTheOven, TheProposedHysteresisClearsTheRealisticNoise) {
  // The last run before the test: the realistic oven under a P corrector, whose order
  // before the step is not quite at rest.
  SimulatedRun before;
  before.Process = std::make_unique<ThermalProcess>();
  before.Process->ApplyProfile(SimulationProfile::Realistic);
  before.Edit5 = "5";
  before.Gains = {"1", "0", "0"};
  const auto previous = std::make_unique<Trial>(RunSimulated(before));

  double eps = 0;
  std::string reason;
  ASSERT_TRUE(ProposedHysteresis(*previous, eps, reason)) << reason;
  EXPECT_GE(eps, 0.02);
  EXPECT_LE(eps, 0.05);
  RelayLaw relay({2, eps, 5}, RelayLaw::Use::Test);
  SimulatedRun test = OvenStep(relay, true);
  const auto run = std::make_unique<Trial>(RunSimulated(test));
  const RelayResult result = AnalyseRelay(*run, relay.Settings());
  ASSERT_TRUE(result.Measured) << result.Reason;
  EXPECT_NEAR(result.Tu, OvenTheory().Tu(), 0.15 * OvenTheory().Tu());

  // A run with no time before its step says so.
  auto noRest = std::make_unique<Trial>();
  noRest->LastEntry = 100;
  for (int k = 1; k <= 100; ++k)
    noRest->Record[static_cast<std::size_t>(kSeriesSetpoint * kRecordEntries + k)] = k < 5 ? 0 : 500;
  EXPECT_FALSE(ProposedHysteresis(*noRest, eps, reason));
}

}  // namespace
}  // namespace vantor::testing
