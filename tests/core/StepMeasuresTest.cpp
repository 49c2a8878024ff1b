// SPDX-License-Identifier: GPL-3.0-or-later
// Step measures on records built from analytic step responses.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "lesson-core/StepMeasures.h"

namespace vantor {
namespace {

constexpr double kPeriod = 0.05;
constexpr int kStepEntry = 50;  // the step at 2.5 s, as the "Echelon" button makes it

// A step run from `before` to `after` volts at entry 50, its feedback y(t - t0) after the
// step, recorded up to `last` as the loop records it (hundredths, halves to even).
std::unique_ptr<Trial> StepRun(double before, double after, const std::function<double(double)>& y,
                               int last = 1000) {
  auto t = std::make_unique<Trial>();
  t->SetpointKind = "echelon";
  t->LastEntry = last;
  t->ordremaxi = 10;
  t->ordremini = -10;
  for (int k = 0; k <= last; ++k) {
    const bool stepped = k >= kStepEntry;
    const double feedback = stepped ? y((k - kStepEntry) * kPeriod) : before;
    t->Record[static_cast<std::size_t>(kSeriesSetpoint * kRecordEntries + k)] =
        ToHundredths(stepped ? after : before);
    t->Record[static_cast<std::size_t>(kSeriesFeedback * kRecordEntries + k)] =
        ToHundredths(feedback);
  }
  return t;
}

TEST(StepMeasuresTest, FirstOrderRisesIn2Point197TauWithoutOvershoot) {
  const double tau = 1.2, gain = 0.9, level = 6;  // static error 10 % of the step
  const auto run =
      StepRun(0, level, [&](double t) { return gain * level * (1 - std::exp(-t / tau)); });
  // The order sits at a limit for the first 95 entries from the step, of 951.
  for (int k = kStepEntry; k < kStepEntry + 95; ++k)
    run->Record[static_cast<std::size_t>(kSeriesOrder * kRecordEntries + k)] = k % 2 ? 1000 : -1000;
  const StepMeasures m = MeasureStep(*run);
  ASSERT_TRUE(m.Measured) << m.Reason;
  EXPECT_DOUBLE_EQ(m.StepTime, kStepEntry * kPeriod);
  EXPECT_NEAR(m.FinalValue, gain * level, 0.005);
  ASSERT_TRUE(m.RiseTime);
  EXPECT_NEAR(*m.RiseTime, std::log(9.0) * tau, kPeriod / 5);  // 2.197 tau, interpolated
  EXPECT_NEAR(m.Overshoot, 0, 0.1);
  ASSERT_TRUE(m.Settled);
  EXPECT_NEAR(m.SettlingTime, std::log(20.0) * tau, kPeriod);  // 3 tau
  EXPECT_NEAR(m.StaticError, (1 - gain) * level, 0.005);
  ASSERT_TRUE(m.Saturation);
  EXPECT_NEAR(*m.Saturation, 100.0 * 95 / 951, 1e-9);
}

TEST(StepMeasuresTest, SecondOrderDownwardStepOvershoots16Point3PercentAtItsPeakTime) {
  const double zeta = 0.5, wn = 4, from = 8, to = 3;
  const double wd = wn * std::sqrt(1 - zeta * zeta), phi = std::acos(zeta);
  const auto run = StepRun(from, to, [&](double t) {
    return from + (to - from) * (1 - std::exp(-zeta * wn * t) / std::sqrt(1 - zeta * zeta) *
                                         std::sin(wd * t + phi));
  });
  const StepMeasures m = MeasureStep(*run);
  ASSERT_TRUE(m.Measured) << m.Reason;
  EXPECT_NEAR(m.Change, to - from, 0.005);
  EXPECT_NEAR(m.Overshoot, 100 * std::exp(-M_PI * zeta / std::sqrt(1 - zeta * zeta)), 0.2);
  EXPECT_NEAR(m.PeakTime, M_PI / wd, kPeriod);
  // Rise time of this response: solve y = 10 % and 90 % of the change by bisection.
  auto crossing = [&](double fraction) {
    double lo = 0, hi = M_PI / wd;
    for (int i = 0; i < 60; ++i) {
      const double mid = (lo + hi) / 2;
      const double done =
          1 - std::exp(-zeta * wn * mid) / std::sqrt(1 - zeta * zeta) * std::sin(wd * mid + phi);
      (done < fraction ? lo : hi) = mid;
    }
    return lo;
  };
  ASSERT_TRUE(m.RiseTime);
  EXPECT_NEAR(*m.RiseTime, crossing(0.9) - crossing(0.1), kPeriod);
  EXPECT_NEAR(m.StaticError, 0, 0.005);
  ASSERT_TRUE(m.Settled);
  // The envelope 1 + e^(-zeta wn t) / sqrt(1 - zeta^2) bounds the settling time.
  EXPECT_LE(m.SettlingTime, std::log(20 / std::sqrt(1 - zeta * zeta)) / (zeta * wn) + kPeriod);
}

TEST(StepMeasuresTest, AnOscillationThatNeverDiesOutIsNotSettled) {
  const auto run = StepRun(0, 5, [](double t) { return 5 * (1 - std::cos(2 * t) * 0.5); });
  const StepMeasures m = MeasureStep(*run);
  ASSERT_TRUE(m.Measured) << m.Reason;
  EXPECT_FALSE(m.Settled);
  // Nor the overshoot and the static error, measured against a final value never reached;
  // the rise time still stands.
  const std::string lines = StepMeasureLines(m);
  for (const char* line : {"depassement=-\n", "temps_reponse_5=-\n", "erreur_statique=-\n"})
    EXPECT_NE(lines.find(line), std::string::npos) << line << lines;
  EXPECT_EQ(lines.find("temps_montee=-"), std::string::npos) << lines;
}

TEST(StepMeasuresTest, ASlowOscillationWhoseRecordEndsOnACrestIsNotSettled) {
  // ±0.6 V about 5 V with an 8 s period: over the 2 s around a crest it stays within
  // 0.1 V of its own mean, inside the ±5 % band of that mean, for a record of any length
  // that ends there. It is an oscillation all the same.
  const double period = 8;
  const auto y = [&](double t) { return 5 + 0.6 * std::sin(2 * M_PI * t / period); };
  for (double crest : {18.0, 26.0, 34.0, 42.0}) {  // crests at 2 + 8 n s after the step
    const int last = kStepEntry + static_cast<int>(std::lround((crest + 1) / kPeriod));
    const auto run = StepRun(0, 5, y, last);
    const StepMeasures m = MeasureStep(*run);
    ASSERT_TRUE(m.Measured) << m.Reason;
    EXPECT_FALSE(m.Settled) << crest;
  }
  // A damped second order settles at its analytic envelope's 5 % time, within a sample:
  // e^(−ζ ωn t) / √(1 − ζ²) = 0.05 bounds the last exit from the band.
  const double zeta = 0.3, wn = 2, wd = wn * std::sqrt(1 - zeta * zeta), phi = std::acos(zeta);
  const auto damped = StepRun(0, 4, [&](double t) {
    return 4 * (1 - std::exp(-zeta * wn * t) * std::sin(wd * t + phi) / std::sqrt(1 - zeta * zeta));
  });
  const StepMeasures d = MeasureStep(*damped);
  ASSERT_TRUE(d.Settled);
  const double envelope = -std::log(0.05 * std::sqrt(1 - zeta * zeta)) / (zeta * wn);
  EXPECT_LE(d.SettlingTime, envelope + kPeriod);
  EXPECT_GT(d.SettlingTime, 0.8 * envelope);
}

TEST(StepMeasuresTest, AResponseHeldByTheOrdersLimitIsNamedAndItsMeasuresRefused) {
  // A position motor against its end stop: the feedback stuck at 10.01 V, under the
  // converter's full scale, while the order stays at +10 V asking for more.
  const auto run = StepRun(1, 12, [](double t) { return std::min(1 + 3 * t, 10.01); }, 600);
  for (int k = kStepEntry; k <= 600; ++k)
    run->Record[static_cast<std::size_t>(kSeriesOrder * kRecordEntries + k)] = 1000;
  const StepMeasures m = MeasureStep(*run);
  ASSERT_TRUE(m.Measured) << m.Reason;
  EXPECT_FALSE(m.Settled);
  EXPECT_NE(m.HeldBy.find("limite haute (10 V)"), std::string::npos) << m.HeldBy;
  const std::string lines = StepMeasureLines(m);
  for (const char* line : {"depassement=-\n", "temps_reponse_5=-\n", "erreur_statique=-\n"})
    EXPECT_NE(lines.find(line), std::string::npos) << line << lines;
}

TEST(StepMeasuresTest, TheIntegralOfTheAbsoluteErrorSplitsAtTheLoad) {
  // A first order closing on its setpoint: |e| = 6 e^(−t/τ), whose integral from the
  // step is 6 τ (1 − e^(−t/τ)); then a load at 40 s that opens an error of
  // 0.5 e^(−(t − 40)/τ2).
  const double tau = 1.5, tau2 = 2;
  const auto run = StepRun(0, 6, [&](double t) {
    const double after = t + kStepEntry * kPeriod - 40;
    return 6 * (1 - std::exp(-t / tau)) - (after >= 0 ? 0.5 * std::exp(-after / tau2) : 0);
  }, 1600);
  run->Load = "0.5 V à 40 s";
  const StepMeasures m = MeasureStep(*run);
  ASSERT_TRUE(m.Measured) << m.Reason;
  ASSERT_TRUE(m.LoadTime);
  EXPECT_DOUBLE_EQ(*m.LoadTime, 40);
  // Sums of the record's entries: within a sample's worth of the integrals.
  EXPECT_NEAR(m.Iae, 6 * tau, 6 * kPeriod);
  EXPECT_NEAR(m.IaeLoad, 0.5 * tau2, 0.5 * kPeriod);
  const std::string lines = StepMeasureLines(m);
  EXPECT_NE(lines.find("iae=9."), std::string::npos) << lines;
  EXPECT_NE(lines.find("iae_charge=1."), std::string::npos) << lines;
  // Without a load, or with one pressed by hand at no known time: the whole record.
  run->Load = "0.5 V au bouton « Perturbation »";
  const StepMeasures whole = MeasureStep(*run);
  EXPECT_FALSE(whole.LoadTime);
  EXPECT_NEAR(whole.Iae, m.Iae + m.IaeLoad, 1e-9);
  EXPECT_EQ(StepMeasureLines(whole).find("iae_charge"), std::string::npos);
}

TEST(StepMeasuresTest, RunsWithoutAMeasurableStepGiveNoMeasureAndSayWhy) {
  const auto constant = StepRun(4, 4, [](double) { return 4; });
  const auto tooShort = StepRun(
      0, 5, [](double) { return 5; }, kStepEntry + 38);
  const auto flat = StepRun(0, 5, [](double) { return 0.04; });
  auto sine = StepRun(0, 5, [](double t) { return 5 * (1 - std::exp(-t)); });
  sine->SetpointKind = "sin";
  for (const Trial* run : {constant.get(), tooShort.get(), flat.get(), sine.get()}) {
    const StepMeasures m = MeasureStep(*run);
    EXPECT_FALSE(m.Measured);
    EXPECT_FALSE(m.Reason.empty());
    EXPECT_EQ(StepMeasureLines(m),
              "temps_montee=-\ndepassement=-\ntemps_pic=-\ntemps_reponse_5=-\n"
              "erreur_statique=-\nsaturation=-\niae=-\n");
  }
  // One more entry recorded after the step than the shortest refused run is enough.
  EXPECT_TRUE(MeasureStep(*StepRun(
                              0, 5, [](double) { return 5; }, kStepEntry + 39))
                  .Measured);
}

}  // namespace
}  // namespace vantor
