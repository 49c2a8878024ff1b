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
#include "regulation/FrequencyResponse.h"
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
    const double y = 2 + 1.5 * std::exp(-time / 6) +
                     g * amplitude * std::sin(w + phi * M_PI / 180) + n(noise);
    t->Record[static_cast<std::size_t>(kSeriesSetpoint * kRecordEntries + k)] =
        ToHundredths(4 + amplitude * std::sin(w));
    t->Record[static_cast<std::size_t>(kSeriesFeedback * kRecordEntries + k)] = ToHundredths(y);
  }
  return t;
}

TEST(FrequencyResponse, ASyntheticRecordGivesBackItsGainAndPhase) {
  for (const auto& [f, g, phi] : {std::tuple{0.1, 0.5, -57.0}, std::tuple{0.04, 1.8, -12.0},
                                  std::tuple{0.5, 0.2, -200.0}}) {
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

  // The sweep's frequencies fit the record: three whole periods after the settling time.
  const std::vector<double> sweep = SweepFrequencies(8);
  ASSERT_EQ(sweep.size(), 8u);
  for (double f : sweep) {
    auto run = SyntheticSineRun(f, 0.5, -30, 2);
    EXPECT_GE(AnalyseFrequencyResponse(*run).Periods, 3) << f;
  }
  EXPECT_DOUBLE_EQ(sweep.back(), 1.0);
}

}  // namespace
}  // namespace vantor::testing
