// SPDX-License-Identifier: GPL-3.0-or-later
// Closed-loop pumping on the position motor run through the engine, and on error records
// built from analytic oscillations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

#include "lesson-core/Pumping.h"
#include "lesson-core/TuningRules.h"
#include "lesson-core/VirtualRun.h"
#include "simulation/ProcessRegistry.h"

namespace vantor {
namespace {

constexpr double kPeriod = 0.05;

std::unique_ptr<RegulationState> Workstation(double kp, double kd = 0, double ki = 0) {
  auto s = std::make_unique<RegulationState>();
  s->kpmax = 16;
  s->kdmax = 4;
  s->kimax = 2;
  s->finalech = 8;
  s->valmoymini = 2;
  s->valmoymaxi = 7;
  s->amplimaxi = 3;
  s->ordremaxi = 10;
  s->ordremini = -10;
  s->SamplePeriodMs = 50;
  s->SetpointFrequency = 0.01L;
  s->LoopMode = "fermee";
  s->Kp = kp;
  s->Kd = kd;
  s->Ki = ki;
  return s;
}

std::unique_ptr<Trial> PositionRun(double kp, double kd = 0, double ki = 0) {
  return RunInVirtualTime(*Workstation(kp, kd, ki), MakeProcess("position"), "1", 1200);
}

// The period of the feedback's own oscillation, from its maxima: the mean time between
// the last five local maxima that stand above the final mean.
double FeedbackPeriod(const Trial& run) {
  const int last = run.LastEntry;
  double mean = 0;
  for (int k = last - 200; k <= last; ++k) mean += run.At(kSeriesFeedback, k) / 201.0;
  std::vector<int> maxima;
  for (int k = last - 1; k > 100 && maxima.size() < 5; --k) {
    const int y = run.At(kSeriesFeedback, k);
    if (y > mean * 1.02 && y > run.At(kSeriesFeedback, k - 1) &&
        y >= run.At(kSeriesFeedback, k + 1))
      maxima.push_back(k);
  }
  return (maxima.front() - maxima.back()) * kPeriod / (maxima.size() - 1);
}

TEST(PumpingTest, PositionMotorAtItsLimitGainGivesItsOwnPeriodAndTheRulesFollow) {
  const double ku = 5.4;
  const auto run = PositionRun(ku);
  const Pumping p = MeasurePumping(*run);
  ASSERT_TRUE(p.Measured) << p.Reason;
  EXPECT_EQ(p.Kind, Oscillation::Sustained) << p.PeakRatio;
  EXPECT_DOUBLE_EQ(p.Ku, ku);
  EXPECT_NEAR(p.Tu, FeedbackPeriod(*run), kPeriod);
  // ZN's PID on this loop is stable and settles: the proposal is usable.
  const GainProposal pid = ZieglerNicholsClosedLoop(p.Ku, p.Tu)[2];
  const Pumping tuned = MeasurePumping(*PositionRun(pid.Kp, pid.Kd(), pid.Ki()));
  EXPECT_FALSE(tuned.Measured);  // not a P run any more
  const auto damped = PositionRun(4.5);
  const Pumping d = MeasurePumping(*damped);
  ASSERT_TRUE(d.Measured) << d.Reason;
  EXPECT_EQ(d.Kind, Oscillation::Damped) << d.PeakRatio;
}

// A closed-loop P run whose error after the step at 2.5 s is e(t).
std::unique_ptr<Trial> ErrorRun(const std::function<double(double)>& e, double kp = 4) {
  auto t = std::make_unique<Trial>();
  t->SetpointKind = "echelon";
  t->LoopMode = "fermee";
  t->Kp = kp;
  t->LastEntry = kRecordLastEntry;
  for (int k = 0; k <= t->LastEntry; ++k) {
    const bool stepped = k >= 50;
    t->Record[static_cast<std::size_t>(kSeriesSetpoint * kRecordEntries + k)] = stepped ? 300 : 0;
    t->Record[static_cast<std::size_t>(kSeriesError * kRecordEntries + k)] =
        ToHundredths(stepped ? e((k - 50) * kPeriod) : 0);
  }
  return t;
}

TEST(PumpingTest, GrowingAndDecayingOscillationsAreCalledSoAndTheirPeriodRead) {
  const double period = 1.7;
  const double w = 2 * M_PI / period;
  struct Case {
    double growth;  // per period
    Oscillation kind;
  };
  for (const Case c : {Case{1.3, Oscillation::Divergent}, Case{0.7, Oscillation::Damped},
                       Case{1.0, Oscillation::Sustained}}) {
    SCOPED_TRACE(c.growth);
    const double sigma = std::log(c.growth) / period;
    // Started from 3 V and kept within ±10 V over the periods the record shows.
    const double span = c.growth > 1 ? 10.0 : 40.0;
    const auto run = ErrorRun(
        [&](double t) { return t < span ? 3 * std::exp(sigma * t) * std::cos(w * t) : 0.0; });
    const Pumping p = MeasurePumping(*run);
    ASSERT_TRUE(p.Measured) << p.Reason;
    EXPECT_EQ(p.Kind, c.kind) << p.PeakRatio;
    EXPECT_NEAR(p.PeakRatio, c.growth, 0.02);
    EXPECT_NEAR(p.Tu, period, kPeriod / 5);
  }
}

TEST(PumpingTest, APLoopsOscillationAboutItsOffsetIsFoundAndBoundedOnesAreSaidSo) {
  // A proportional loop holds an error at rest: the oscillation swings about 0.4 V and
  // never crosses zero. Its first swing, the step's, is three times larger.
  const double period = 6.5;
  const auto offset = ErrorRun([&](double t) {
    return 0.4 + (t < period / 2 ? 1.2 : 0.3) * std::cos(2 * M_PI * t / period);
  });
  const Pumping p = MeasurePumping(*offset);
  ASSERT_TRUE(p.Measured) << p.Reason;
  EXPECT_EQ(p.Kind, Oscillation::Sustained) << p.PeakRatio;
  EXPECT_NEAR(p.Tu, period, kPeriod);

  // A growing oscillation that the order's limits clip looks sustained: it is bounded.
  auto clipped = ErrorRun([&](double t) {
    return std::clamp(3 * std::exp(0.2 * t) * std::cos(2 * M_PI * t / 1.7), -2.5, 2.5);
  });
  clipped->ordremaxi = 10;
  clipped->ordremini = -10;
  for (int k = 0; k <= clipped->LastEntry; ++k) {
    const std::int32_t order = std::clamp(4 * clipped->At(kSeriesError, k), -1000, 1000);
    clipped->Record[static_cast<std::size_t>(kSeriesOrder * kRecordEntries + k)] = order;
  }
  const Pumping b = MeasurePumping(*clipped);
  ASSERT_TRUE(b.Measured) << b.Reason;
  EXPECT_EQ(b.Kind, Oscillation::Bounded) << b.PeakRatio;
  EXPECT_EQ(OscillationWord(b.Kind), "bornée par les limites de l'ordre");
}

// The heater (K = 1, T = 8 s, dead time 1.5 s) in the loop of the workstation: the
// feedback is the mean of ten samples and the order is held over the period. Its critical
// point, computed on the continuous loop with the mean's delay (4.5 periods) and the
// hold's (half a period) and the mean's gain at that frequency, against the pumping of the
// engine's runs.
TEST(PumpingTest, TheHeaterPumpsAtItsCriticalGainWithItsCriticalPeriod) {
  const double T = 8, delay = 1.5 + 4.5 * kPeriod + kPeriod / 2;
  double lo = 0.1, hi = 2.0;  // the frequency where atan(wT) + w·delay = π, by bisection
  while (hi - lo > 1e-9) {
    const double mid = (lo + hi) / 2;
    (std::atan(mid * T) + mid * delay < M_PI ? lo : hi) = mid;
  }
  const double w = (lo + hi) / 2;
  const double meanGain = std::sin(10 * w * kPeriod / 2) / (10 * std::sin(w * kPeriod / 2));
  const double kc = std::sqrt(1 + w * T * w * T) / meanGain, tc = 2 * M_PI / w;
  auto heater = [](double kp) {
    return RunInVirtualTime(*Workstation(kp), MakeProcess("thermique"), "3", 1900);
  };
  const Pumping at = MeasurePumping(*heater(8));
  ASSERT_TRUE(at.Measured) << at.Reason;
  EXPECT_EQ(at.Kind, Oscillation::Sustained) << at.PeakRatio;
  EXPECT_NEAR(at.Ku, kc, 0.1 * kc);
  EXPECT_NEAR(at.Tu, tc, 0.03 * tc);
  const Pumping below = MeasurePumping(*heater(0.85 * kc));
  ASSERT_TRUE(below.Measured) << below.Reason;
  EXPECT_EQ(below.Kind, Oscillation::Damped) << below.PeakRatio;
  // A fifth above: the oscillation grows until the element, which cannot cool, clips it
  // (the order asked for goes well below 0 V while never reaching its -10 V limit). That
  // is not a sustained oscillation at the critical gain.
  const auto above = heater(1.2 * kc);
  const Pumping clipped = MeasurePumping(*above);
  ASSERT_TRUE(clipped.Measured) << clipped.Reason;
  EXPECT_EQ(clipped.Kind, Oscillation::Bounded) << clipped.PeakRatio;
  std::int32_t lowest = 0;
  for (int k = 1000; k <= above->LastEntry; ++k)
    lowest = std::min(lowest, above->At(kSeriesOrder, k));
  EXPECT_LT(lowest, -100);
  EXPECT_GT(lowest, -1000);
}

TEST(PumpingTest, RunsThatAreNotAPumpingAreRefusedEachForItsReason) {
  const auto oscillating = [](double t) { return 3 * std::cos(2 * M_PI * t / 1.7); };
  std::vector<std::unique_ptr<Trial>> runs;
  runs.push_back(ErrorRun(oscillating));
  runs.back()->LoopMode = "Ouv";
  runs.push_back(ErrorRun(oscillating));
  runs.back()->Ki = 0.5;
  runs.push_back(ErrorRun(oscillating, 0));
  runs.push_back(ErrorRun([](double t) { return 3 * std::exp(-t); }));  // no oscillation
  runs.push_back(ErrorRun([&](double t) { return t < 2.6 ? oscillating(t) : 0.0; }));
  std::set<std::string> reasons;
  for (const auto& run : runs) {
    const Pumping p = MeasurePumping(*run);
    EXPECT_FALSE(p.Measured);
    reasons.insert(p.Reason);
  }
  EXPECT_EQ(reasons.size(), runs.size());
  EXPECT_EQ(reasons.count(""), 0u);
}

}  // namespace
}  // namespace vantor
