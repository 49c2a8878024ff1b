// SPDX-License-Identifier: GPL-3.0-or-later
// The industrial PID on the simulated processes: what it cures (windup on the oven, the
// derivative's noise on the realistic position motor), the return from manual without a
// jump, reverse action, and its agreement with the main window's corrector when it has
// nothing of its own to add.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numeric>

#include "SensorNoise.h"
#include "SimulatedRun.h"
#include "lesson-core/StepMeasures.h"
#include "regulation/IndustrialPidLaw.h"
#include "simulation/DcMotorPosition.h"
#include "simulation/ThermalProcess.h"

namespace vantor::testing {
namespace {

// Séance 5's PI on the oven: a 5 V step, Kp 4.2, Ki 0.75.
std::unique_ptr<Trial> OvenPi(CorrectorLaw* law, std::unique_ptr<ThermalProcess> oven = nullptr) {
  SimulatedRun r;
  r.Process = oven ? std::move(oven) : std::make_unique<ThermalProcess>();
  r.Edit5 = "5";
  r.Gains = {"4.2", "0", "0.75"};
  r.Law = law;
  return std::make_unique<Trial>(RunSimulated(r));
}

double Overshoot(const Trial& run) {
  const StepMeasures m = MeasureStep(run);
  EXPECT_TRUE(m.Measured) << m.Reason;
  return m.Overshoot;
}

TEST(IndustrialPid, WithNothingOfItsOwnItGivesTheMainWindowsOrders) {
  IndustrialPidLaw plain({});
  const auto part = OvenPi(nullptr);
  const auto industrial = OvenPi(&plain);
  for (int k = 1; k <= part->LastEntry; ++k)
    for (int series : {kSeriesFeedback, kSeriesPTerm, kSeriesITerm, kSeriesOrder})
      ASSERT_NEAR(part->At(series, k), industrial->At(series, k), 1) << series << " at " << k;
}

TEST(IndustrialPid, AntiWindupCuresTheOvensOvershoot) {
  const double without = Overshoot(*OvenPi(nullptr));
  EXPECT_GT(without, 40);  // the integral winds up while the order sits at +10 V

  IndustrialPidSettings clamping;
  clamping.Windup = AntiWindup::Clamping;
  IndustrialPidLaw clamped(clamping);
  EXPECT_LT(Overshoot(*OvenPi(&clamped)), 10);

  IndustrialPidSettings tracking;
  tracking.Windup = AntiWindup::BackCalculation;
  IndustrialPidLaw recalculated(tracking);
  const auto run = OvenPi(&recalculated);
  EXPECT_LE(Overshoot(*run), 22);
  // The record keeps its meaning: the order is the sum of its parts until it is limited.
  for (int k = 1; k <= run->LastEntry; ++k) {
    const long sum =
        run->At(kSeriesPTerm, k) + run->At(kSeriesDTermRaw, k) + run->At(kSeriesITerm, k);
    const long order = run->At(kSeriesOrder, k);
    if (order < 1000 && order > -1000) {
      ASSERT_NEAR(order, sum, 2) << k;
    }
  }
}

double DerivativeSpread(const Trial& run) {
  // The last 10 s of the 95 s shown, once the position has settled.
  std::vector<double> d;
  for (int k = 1700; k <= 1900; ++k) d.push_back(At(run, kSeriesDTermRaw, k));
  const double mean = std::accumulate(d.begin(), d.end(), 0.0) / static_cast<double>(d.size());
  double sum = 0;
  for (double v : d) sum += (v - mean) * (v - mean);
  return std::sqrt(sum / static_cast<double>(d.size()));
}

TEST(IndustrialPid, FilteringTheDerivativeAtNFiveHalvesItsNoiseOnTheRealisticMotor) {
  auto run = [](CorrectorLaw* law) {
    SimulatedRun r;
    r.Process = std::make_unique<DcMotorPosition>();
    r.Process->ApplyProfile(SimulationProfile::Realistic);
    r.Edit5 = "6";
    r.Gains = {"2", "2", "0"};
    r.Law = law;
    return std::make_unique<Trial>(RunSimulated(r));
  };
  IndustrialPidLaw unfiltered({});
  IndustrialPidSettings five;
  five.FilterN = 5;
  IndustrialPidLaw filtered(five);
  const double part = DerivativeSpread(*run(nullptr));
  const double raw = DerivativeSpread(*run(&unfiltered));
  const double n5 = DerivativeSpread(*run(&filtered));
  // Unfiltered, the derivative of the potentiometer's noise (the motor stands still).
  DcMotorPosition motor;
  motor.ApplyProfile(SimulationProfile::Realistic);
  EXPECT_GT(part, 0.85 * DerivativeNoiseSpread(motor.NoiseVolts, 2));
  EXPECT_LE(n5, 0.5 * part);
  EXPECT_LE(n5, 0.5 * raw);
}

TEST(IndustrialPid, ManualHoldsTheOrderAndAutoTakesOverWithoutAJump) {
  // The headless tool's way: manual from 30 s to 50 s, the order held at its value.
  IndustrialPidSettings spanned;
  spanned.ManualSpan = std::make_pair(30.0, 50.0);
  IndustrialPidLaw timed(spanned);
  const auto run = OvenPi(&timed);
  const double held = At(*run, kSeriesOrder, 599);  // the last automatic cycle, at 29.95 s
  for (int k = 600; k < 1000; ++k) ASSERT_EQ(At(*run, kSeriesOrder, k), held) << k;
  EXPECT_LT(std::fabs(At(*run, kSeriesOrder, 1000) - At(*run, kSeriesOrder, 999)), 0.05);
  EXPECT_LT(std::fabs(At(*run, kSeriesOrder, 1001) - At(*run, kSeriesOrder, 1000)), 0.05);

  // The window's way: the student takes the oven to 3 V of order for 20 s, the feedback
  // drifts away from the setpoint, then back to automatic.
  IndustrialPidLaw live({});
  SimulatedRun r;
  r.Process = std::make_unique<ThermalProcess>();
  r.Edit5 = "5";
  r.Gains = {"4.2", "0", "0.75"};
  r.Law = &live;
  r.OnTurn = [&live](RegulationState&, long turn) {
    if (turn == 800) live.SetManual(true, 3);
    if (turn == 1200) live.SetManual(false, 0);
  };
  const auto manual = std::make_unique<Trial>(RunSimulated(r));
  EXPECT_EQ(At(*manual, kSeriesOrder, 1200), 3);
  EXPECT_GT(std::fabs(At(*manual, kSeriesError, 1200)), 0.5);  // the loop had drifted
  EXPECT_LT(std::fabs(At(*manual, kSeriesOrder, 1201) - 3), 0.05);
  // ... and the integral then brings the oven back.
  EXPECT_NEAR(At(*manual, kSeriesFeedback, 1900), 5, 0.1);
}

TEST(IndustrialPid, DirectActionRegulatesAProcessOfNegativeGain) {
  // A cooler: the more drive, the lower the reading, from 8 V at rest.
  auto cooler = [] {
    auto p = std::make_unique<ThermalProcess>();
    p->GainVoltsPerVolt = -1;
    p->SensorOffsetVolts = 8;
    return p;
  };
  IndustrialPidSettings direct;
  direct.DirectAction = true;
  direct.Windup = AntiWindup::Clamping;
  IndustrialPidLaw directLaw(direct);
  const auto run = OvenPi(&directLaw, cooler());
  EXPECT_NEAR(At(*run, kSeriesFeedback, 1900), 5, 0.05);
  // Reverse action, the default, pushes the wrong way: a negative order gives the element
  // no power, and the reading stays at its rest, far from the setpoint.
  IndustrialPidSettings reverse;
  reverse.Windup = AntiWindup::Clamping;
  IndustrialPidLaw reverseLaw(reverse);
  EXPECT_GT(At(*OvenPi(&reverseLaw, cooler()), kSeriesFeedback, 1900), 7.5);
}

TEST(IndustrialPid, SettingsOutOfTheirRangesAreRefused) {
  IndustrialPidSettings p;
  EXPECT_TRUE(IndustrialPidFault(p).empty());
  p.FilterN = 1;
  EXPECT_FALSE(IndustrialPidFault(p).empty());
  p.FilterN = 20;
  p.SetpointWeight = 1.5;
  EXPECT_FALSE(IndustrialPidFault(p).empty());
  p.SetpointWeight = 0;
  p.TrackingTime = 0.0;
  EXPECT_FALSE(IndustrialPidFault(p).empty());
  p.TrackingTime.reset();
  p.ManualSpan = std::make_pair(5.0, 5.0);
  EXPECT_FALSE(IndustrialPidFault(p).empty());
}

}  // namespace
}  // namespace vantor::testing
