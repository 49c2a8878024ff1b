// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency response of a sine run: a synthetic record of known gain and phase, the
// refusals, the oven in open loop against its first order with delay, and the margins a
// P corrector would have.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "CriticalPoint.h"
#include "SimulatedRun.h"
#include "lesson-core/FrequencyResponse.h"
#include "simulation/ThermalProcess.h"

namespace vantor::testing {
namespace {

// A sine run as the generator makes it (whole samples per period), whose feedback is the
// setpoint through gain g and phase phi (degrees), with a decaying start and some noise.
std::unique_ptr<Trial> SyntheticSineRun(double f, double g, double phi, double amplitude) {
  auto t = std::make_unique<Trial>();
  t->SamplePeriodMs = 50;
  t->LastEntry = kRecordLastEntry;
  t->SetpointKind = "sin";
  t->SetpointFrequency = f;
  t->Mean = 4;
  t->Amplitude = amplitude;
  const int samples = static_cast<int>(std::lround(1 / (f * 0.05)));
  std::mt19937 noise(3);
  std::uniform_real_distribution<double> n(-0.01, 0.01);
  for (int k = 1; k <= t->LastEntry; ++k) {
    const double w = 2 * M_PI * (k % samples) / samples;
    const double time = k * 0.05;
    const double y =
        2 + 1.5 * std::exp(-time / 6) + g * amplitude * std::sin(w + phi * M_PI / 180) + n(noise);
    t->Record[static_cast<std::size_t>(kSeriesSetpoint * kRecordEntries + k)] =
        ToHundredths(4 + amplitude * std::sin(w));
    t->Record[static_cast<std::size_t>(kSeriesFeedback * kRecordEntries + k)] = ToHundredths(y);
  }
  return t;
}

TEST(FrequencyResponse, ASyntheticRecordGivesBackItsGainAndPhase) {
  for (const auto& [f, g, phi] :
       {std::tuple{0.1, 0.5, -57.0}, std::tuple{0.04, 1.8, -12.0}, std::tuple{0.5, 0.2, -200.0}}) {
    const FrequencyPoint p = AnalyseFrequencyResponse(*SyntheticSineRun(f, g, phi, 2));
    ASSERT_TRUE(p.Measured) << f << ": " << p.Reason;
    EXPECT_DOUBLE_EQ(p.Frequency, f);
    EXPECT_NEAR(p.GainDb, 20 * std::log10(g), 0.1) << f;
    EXPECT_NEAR(p.Phase, phi, 1) << f;
    EXPECT_EQ(p.Periods, static_cast<int>((kRecordLastEntry * 0.05 - 20) * f)) << f;
  }
}

TEST(FrequencyResponse, RunsThatCannotGiveAPointAreRefusedWithTheirReason) {
  auto step = SyntheticSineRun(0.1, 0.5, -30, 2);
  step->SetpointKind = "echelon";
  FrequencyPoint p = AnalyseFrequencyResponse(*step);
  EXPECT_FALSE(p.Measured);
  EXPECT_FALSE(p.Reason.empty());
  // A 50 s period leaves one whole period after the settling time.
  p = AnalyseFrequencyResponse(*SyntheticSineRun(0.02, 0.5, -30, 2));
  EXPECT_FALSE(p.Measured);
  EXPECT_EQ(p.Periods, 1);
  // A feedback that hardly moves is lost in the noise.
  p = AnalyseFrequencyResponse(*SyntheticSineRun(0.1, 0.005, -30, 2));
  EXPECT_FALSE(p.Measured);
  EXPECT_LT(p.FeedbackAmplitude, kFrequencyLeastFeedbackVolts);
  // So is a setpoint that hardly moves.
  p = AnalyseFrequencyResponse(*SyntheticSineRun(0.1, 1, -30, 0.03));
  EXPECT_FALSE(p.Measured);
}

TEST(FrequencyResponse, TheOvenInOpenLoopFollowsItsFirstOrderWithDelay) {
  const OvenTheory oven;
  for (const char* f : {"0.04", "0.08", "0.16"}) {
    SimulatedRun r;
    r.Process = std::make_unique<ThermalProcess>();
    r.Button = 2;
    r.OpenLoop = true;
    r.Edit4 = f;
    r.Edit6 = "4";
    r.Edit7 = "3";
    r.Cycles = kRecordLastEntry;
    const auto run = std::make_unique<Trial>(RunSimulated(r));
    const FrequencyPoint p = AnalyseFrequencyResponse(*run);
    ASSERT_TRUE(p.Measured) << f << ": " << p.Reason;
    EXPECT_TRUE(p.OpenLoop);
    EXPECT_NEAR(p.GainDb, oven.GainDb(p.Frequency), 0.5) << f;
    EXPECT_NEAR(p.Phase, oven.PhaseDegrees(p.Frequency), 5) << f;
  }
}

TEST(FrequencyResponse, APCorrectorAtTheCriticalGainHasNoMarginLeft) {
  const OvenTheory oven;
  const DelayedFirstOrder model{oven.K, oven.T, oven.L};
  LoopMargins m = MarginsWithP(model, oven.Ku());
  ASSERT_TRUE(m.HasGainMargin);
  EXPECT_NEAR(m.GainMarginDb, 0, 0.01);
  EXPECT_NEAR(1 / m.PhaseCrossover, oven.Tu(), 0.01);
  ASSERT_TRUE(m.HasPhaseMargin);
  EXPECT_NEAR(m.PhaseMargin, 0, 0.1);
  // Half the critical gain: 6 dB of gain margin, and some phase margin.
  m = MarginsWithP(model, oven.Ku() / 2);
  EXPECT_NEAR(m.GainMarginDb, 20 * std::log10(2.0), 0.01);
  EXPECT_GT(m.PhaseMargin, 20);
  // Below a loop gain of one there is no gain crossover.
  EXPECT_FALSE(MarginsWithP(model, 0.5).HasPhaseMargin);

  // The first order typed and the same identified have the same margins.
  const LoopMargins typed = MarginsWithP(model, 2), fit = MarginsWithP(AsModelFit(model), 2);
  EXPECT_DOUBLE_EQ(typed.GainMarginDb, fit.GainMarginDb);
  EXPECT_DOUBLE_EQ(typed.PhaseMargin, fit.PhaseMargin);

  // The sweep's frequencies fit the record: three whole periods after the settling time.
  const std::vector<double> sweep = SweepFrequencies(8);
  ASSERT_EQ(sweep.size(), 8u);
  for (double f : sweep) {
    auto run = SyntheticSineRun(f, 0.5, -30, 2);
    EXPECT_GE(AnalyseFrequencyResponse(*run).Periods, 3) << f;
  }
  EXPECT_DOUBLE_EQ(sweep.back(), 1.0);
}

TEST(FrequencyResponse, IdentifiedModelsHaveTheirCriticalGainsAsMargins) {
  // Three first orders of T = 2 s, no delay: −180° where ωT = √3, |G| = K/8 there.
  ProcessModelFit strejc;
  strejc.Kind = ModelKind::Strejc;
  strejc.K = 1.5;
  strejc.T = 2;
  strejc.Order = 3;
  const double w180 = std::sqrt(3.0) / strejc.T;
  EXPECT_NEAR(ModelPhaseDegrees(strejc, w180 / (2 * M_PI)), -180, 1e-9);
  EXPECT_NEAR(ModelGainDb(strejc, w180 / (2 * M_PI)), 20 * std::log10(strejc.K / 8), 1e-9);
  LoopMargins m = MarginsWithP(strejc, 8 / strejc.K);
  ASSERT_TRUE(m.HasGainMargin && m.HasPhaseMargin);
  EXPECT_NEAR(m.GainMarginDb, 0, 1e-6);
  EXPECT_NEAR(m.PhaseMargin, 0, 1e-4);
  EXPECT_NEAR(m.PhaseCrossover, w180 / (2 * M_PI), 1e-9);
  m = MarginsWithP(strejc, 2 / strejc.K);  // a quarter of the critical gain: 12 dB
  EXPECT_NEAR(m.GainMarginDb, 20 * std::log10(4.0), 1e-6);
  EXPECT_GT(m.PhaseMargin, 0);

  // An integrator k/s with delay L: −180° where ωL = π/2, so Ku = π / (2 k L); its gain
  // crosses 0 dB at ω = kp·k for any gain.
  ProcessModelFit ramp;
  ramp.Kind = ModelKind::Ramp;
  ramp.Integrating = true;
  ramp.K = 0.4;
  ramp.Delay = 0.5;
  m = MarginsWithP(ramp, M_PI / (2 * ramp.K * ramp.Delay));
  EXPECT_NEAR(m.GainMarginDb, 0, 1e-6);
  EXPECT_NEAR(m.PhaseMargin, 0, 1e-4);
  m = MarginsWithP(ramp, 0.1);
  ASSERT_TRUE(m.HasPhaseMargin);
  EXPECT_NEAR(m.GainCrossover * 2 * M_PI, 0.1 * ramp.K, 1e-9);
  EXPECT_NEAR(m.PhaseMargin, 90 - 0.1 * ramp.K * ramp.Delay * 180 / M_PI, 1e-6);
  // The complex response agrees with the gain and phase drawn.
  const std::complex<double> g = ModelResponseAt(ramp, 0.3);
  EXPECT_NEAR(20 * std::log10(std::abs(g)), ModelGainDb(ramp, 0.3), 1e-9);
  EXPECT_NEAR(std::remainder(std::arg(g) * 180 / M_PI - ModelPhaseDegrees(ramp, 0.3), 360), 0,
              1e-9);
}

}  // namespace
}  // namespace vantor::testing
