// SPDX-License-Identifier: GPL-3.0-or-later
// Process models behind the simulated card: analytic step responses, end stops, sensor
// limits, noise, and the checks on their parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "common/VantorError.h"
#include "simulation/Clock.h"
#include "simulation/ConstantInputs.h"
#include "simulation/DcMotorPosition.h"
#include "simulation/DcMotorSpeed.h"
#include "simulation/ThermalProcess.h"

namespace vantor {
namespace {

// Speed of a first-order motor started from rest with a constant drive.
double SpeedStep(double k, double tau, double drive, double t) {
  return k * drive * (1.0 - std::exp(-t / tau));
}
// Angle of the same motor: the integral of its speed.
double PositionStep(double k, double tau, double drive, double t) {
  return k * drive * (t - tau * (1.0 - std::exp(-t / tau)));
}

void AdvanceFor(ProcessModel& process, double seconds, double drive) {
  const int steps = static_cast<int>(std::lround(seconds / 0.001));
  for (int i = 0; i < steps; ++i) process.Advance(0.001, drive);
}

TEST(SimulatedProcess, SpeedMotorFollowsItsAnalyticStepResponse) {
  DcMotorSpeed motor;
  motor.GainRadPerSecondPerVolt = 12.0;
  motor.TimeConstantSeconds = 0.35;
  motor.TachoVoltsPerRadPerSecond = 0.1;
  motor.Reset();
  double t = 0.0;
  for (double next : {0.05, 0.2, 0.35, 0.7, 1.5, 3.0}) {
    AdvanceFor(motor, next - t, 6.0);
    t = next;
    const double expected = 0.1 * SpeedStep(12.0, 0.35, 6.0, t);
    EXPECT_NEAR(motor.Input1Volts(), expected, 0.01 * expected) << "t = " << t;
  }
  // The tachometer's conditioning limits it to 0-10 V.
  AdvanceFor(motor, 5.0, 10.0);
  EXPECT_DOUBLE_EQ(motor.Input1Volts(), 10.0);
  AdvanceFor(motor, 5.0, -3.0);
  EXPECT_LT(motor.SpeedRadPerSecond(), -35.0);
  EXPECT_DOUBLE_EQ(motor.Input1Volts(), 0.0);
}

TEST(SimulatedProcess, PositionMotorFollowsItsAnalyticStepResponseUpToTheEndStop) {
  DcMotorPosition motor;
  motor.Reset();
  double t = 0.0;
  for (double next : {0.2, 0.5, 1.0, 2.0, 4.0}) {
    AdvanceFor(motor, next - t, 2.0);
    t = next;
    const double expected = PositionStep(1.0, 0.2, 2.0, t);
    EXPECT_NEAR(motor.Input1Volts(), expected, 0.01 * expected) << "t = " << t;
  }
  // At the 10 V stop the motor stalls; reversing leaves the stop at once, from rest.
  AdvanceFor(motor, 6.0, 2.0);
  EXPECT_DOUBLE_EQ(motor.Input1Volts(), 10.0);
  EXPECT_DOUBLE_EQ(motor.SpeedRadPerSecond(), 0.0);
  AdvanceFor(motor, 1.0, -2.0);
  const double expected = 10.0 + PositionStep(1.0, 0.2, -2.0, 1.0);
  EXPECT_NEAR(motor.Input1Volts(), expected, 0.01 * expected);
  AdvanceFor(motor, 20.0, -10.0);
  EXPECT_DOUBLE_EQ(motor.Input1Volts(), 0.0);
  EXPECT_DOUBLE_EQ(motor.PositionRadians(), 0.0);
}

TEST(SimulatedProcess, ResultsDoNotDependOnTheStepLength) {
  DcMotorPosition fine;
  DcMotorPosition coarse;
  fine.Reset();
  coarse.Reset();
  AdvanceFor(fine, 1.5, 3.0);
  coarse.Advance(1.5, 3.0);
  EXPECT_NEAR(fine.PositionRadians(), coarse.PositionRadians(), 1e-9);
  EXPECT_NEAR(fine.SpeedRadPerSecond(), coarse.SpeedRadPerSecond(), 1e-9);
}

TEST(SimulatedProcess, StepResponsesThroughTheCardMatchTheModels) {
  VirtualClock clock;
  auto speed = std::make_unique<DcMotorSpeed>();
  speed->NoiseVolts = 0.0;
  SimulatedCard card(clock, std::move(speed));
  AD2var driver(card);
  driver.CardInit(0x330, 0x340);
  driver.SelectChannel(1);
  driver.SetOutput2(2048 - 205 * 5);  // 5 V of drive from now on
  const double start = clock.Now();
  for (double t : {0.25, 0.5, 1.0, 2.0, 4.0}) {
    clock.SleepUntil(start + t);
    const double volts = driver.ConvertAnalog() * 10.24 / 4095;
    const double expected = 0.1 * SpeedStep(10.0, 0.5, 5.0, t);
    EXPECT_NEAR(volts, expected, 0.01 * expected) << "t = " << t;
  }
  card.SetProcess(std::make_unique<ConstantInputs>(0, 0));
  auto position = std::make_unique<DcMotorPosition>();
  position->NoiseVolts = 0.0;
  card.SetProcess(std::move(position));
  driver.SetOutput2(2048 + 205 * 1);  // -1 V: against the low stop, nothing moves
  clock.Advance(1.0);
  EXPECT_EQ(driver.ConvertAnalog(), 0);
  driver.SetOutput2(2048 - 205 * 2);
  const double moved = clock.Now();
  clock.SleepUntil(moved + 3.0);
  const double expected = PositionStep(1.0, 0.2, 2.0, 3.0);
  EXPECT_NEAR(driver.ConvertAnalog() * 10.24 / 4095, expected, 0.01 * expected);
}

TEST(SimulatedProcess, ResetProcessBringsTheMotorBackToRest) {
  VirtualClock clock;
  SimulatedCard card(clock);
  AD2var driver(card);
  driver.CardInit(0x330, 0x340);
  driver.SetOutput2(2048 - 205 * 4);
  clock.Advance(2.0);
  driver.SetOutput2(2048);
  card.ResetProcess();
  const auto& motor = static_cast<const DcMotorPosition&>(card.Process());
  EXPECT_EQ(motor.PositionRadians(), 0.0);
  EXPECT_EQ(motor.SpeedRadPerSecond(), 0.0);
  clock.Advance(1.0);
  driver.SelectChannel(1);
  EXPECT_LE(driver.ConvertAnalog(), 4);  // only the noise, clipped at 0 V
}

TEST(SimulatedProcess, NoiseStaysWithinItsAmplitudeAndRepeatsAfterReset) {
  DcMotorPosition motor;
  motor.SensorOffsetVolts = 5.0;
  motor.NoiseVolts = 0.05;
  motor.Reset();
  std::vector<double> first;
  double sum = 0.0;
  for (int i = 0; i < 2000; ++i) {
    first.push_back(motor.SampleInput1Volts());
    EXPECT_LE(std::abs(first.back() - 5.0), 0.05);
    sum += first.back() - 5.0;
  }
  EXPECT_NEAR(sum / 2000, 0.0, 0.005);
  EXPECT_GT(*std::max_element(first.begin(), first.end()), 5.04);
  EXPECT_LT(*std::min_element(first.begin(), first.end()), 4.96);
  motor.Reset();
  for (double value : first) ASSERT_EQ(motor.SampleInput1Volts(), value);
  motor.NoiseSeed += 1;
  motor.Reset();
  int same = 0;
  for (double value : first) same += motor.SampleInput1Volts() == value ? 1 : 0;
  EXPECT_LT(same, 10);
}

TEST(SimulatedProcess, UnusableParametersAreNamedInFrench) {
  const auto message = [](const ProcessModel& process) -> std::string {
    try {
      process.Validate();
    } catch (const VantorError& e) {
      return e.what();
    }
    return "";
  };
  DcMotorPosition position;
  EXPECT_EQ(message(position), "");
  position.TimeConstantSeconds = -0.1;
  EXPECT_EQ(message(position),
            "La constante de temps du procédé simulé doit être un nombre supérieur ou égal à 0");
  position.TimeConstantSeconds = 0.0;  // allowed: the speed follows the drive at once
  EXPECT_EQ(message(position), "");
  position.SensorVoltsPerRadian = 0.0;
  EXPECT_EQ(message(position),
            "La sensibilité du potentiomètre simulé doit être un nombre positif");
  DcMotorSpeed speed;
  speed.NoiseVolts = NAN;
  EXPECT_EQ(message(speed),
            "L'amplitude du bruit du procédé simulé doit être un nombre supérieur ou égal à 0");
  speed.NoiseVolts = 0.0;
  speed.SensorMinVolts = 10.0;
  EXPECT_EQ(message(speed),
            "Les limites du capteur simulé doivent être deux nombres, le minimum inférieur au "
            "maximum");
  speed.SensorMinVolts = 0.0;
  speed.GainRadPerSecondPerVolt = INFINITY;
  EXPECT_EQ(message(speed), "Le gain du moteur simulé doit être un nombre");
}

TEST(SimulatedProcess, ZeroTimeConstantFollowsTheDriveAtOnce) {
  DcMotorSpeed speed;
  speed.TimeConstantSeconds = 0.0;
  speed.Reset();
  speed.Advance(0.001, 4.0);
  EXPECT_DOUBLE_EQ(speed.Input1Volts(), 4.0);
  DcMotorPosition position;
  position.TimeConstantSeconds = 0.0;
  position.Reset();
  position.Advance(0.5, 4.0);
  EXPECT_DOUBLE_EQ(position.Input1Volts(), 2.0);
}

TEST(SimulatedProcess, DryFrictionMakesADeadZoneAndStopsTheMotorWhateverTheStepLength) {
  DcMotorPosition motor;
  motor.FrictionVolts = 0.5;
  motor.Reset();
  AdvanceFor(motor, 2.0, 0.45);  // inside the dead zone: nothing moves
  EXPECT_EQ(motor.PositionRadians(), 0.0);
  // Beyond it the motor runs as if driven by u - F.
  AdvanceFor(motor, 3.0, 2.5);
  EXPECT_NEAR(motor.PositionRadians(), PositionStep(1.0, 0.2, 2.0, 3.0), 1e-9);
  // Drive removed: friction brings it to a standstill, where it stays instead of
  // creeping back.
  const double before = motor.PositionRadians(), w0 = motor.SpeedRadPerSecond();
  AdvanceFor(motor, 1.0, 0.0);
  EXPECT_EQ(motor.SpeedRadPerSecond(), 0.0);
  // w(t) = (w0 + F)·e^(−t/τ) − F reaches 0 at τ·ln((w0 + F) / F); the angle until then:
  const double tStop = 0.2 * std::log((w0 + 0.5) / 0.5);
  EXPECT_NEAR(motor.PositionRadians() - before,
              (w0 + 0.5) * 0.2 * (1 - std::exp(-tStop / 0.2)) - 0.5 * tStop, 1e-9);
  // A reversal split inside one long step lands where the 1 ms steps do.
  DcMotorSpeed fine, coarse;
  for (DcMotorSpeed* m : {&fine, &coarse}) {
    m->FrictionVolts = 0.5;
    m->Reset();
  }
  AdvanceFor(fine, 1.0, 4.0);
  coarse.Advance(1.0, 4.0);
  AdvanceFor(fine, 1.5, -3.0);
  coarse.Advance(1.5, -3.0);
  EXPECT_LT(fine.SpeedRadPerSecond(), 0.0);
  EXPECT_NEAR(fine.SpeedRadPerSecond(), coarse.SpeedRadPerSecond(), 1e-9);
}

TEST(SimulatedProcess, ProfilesSwitchBothWaysAndTheIdealOneIsTheDefault) {
  DcMotorPosition fresh, switched;
  switched.ApplyProfile(SimulationProfile::Realistic);
  switched.Reset();
  EXPECT_DOUBLE_EQ(switched.Input1Volts(), 1.0);  // off the end stop, above the 0.2 V floor
  switched.ApplyProfile(SimulationProfile::Ideal);
  for (DcMotorPosition* m : {&fresh, &switched}) {
    m->Reset();
    AdvanceFor(*m, 1.0, 0.3);
  }
  EXPECT_EQ(switched.PositionRadians(), fresh.PositionRadians());
  for (int i = 0; i < 100; ++i) ASSERT_EQ(switched.SampleInput1Volts(), fresh.SampleInput1Volts());
  // A tachometer's ripple grows with its reading.
  DcMotorSpeed speed;
  speed.ApplyProfile(SimulationProfile::Realistic);
  speed.Reset();
  AdvanceFor(speed, 5.0, 8.5);  // 8 V of speed
  double widest = 0.0;
  for (int i = 0; i < 2000; ++i)
    widest = std::max(widest, std::abs(speed.SampleInput1Volts() - speed.Input1Volts()));
  EXPECT_GT(widest, 0.16);
  EXPECT_LE(widest, 0.02 + 0.02 * speed.Input1Volts());
}

TEST(SimulatedProcess, ThermalProcessIsAFirstOrderBehindItsDeadTime) {
  const auto response = [](double t) {  // 4 V of drive from t = 0
    return t <= 1.5 ? 0.0 : 4.0 * (1.0 - std::exp(-(t - 1.5) / 8.0));
  };
  ThermalProcess fine, coarse;
  fine.Reset();
  coarse.Reset();
  double t = 0.0;
  for (double next : {1.0, 1.5, 2.0, 9.5, 30.0}) {
    AdvanceFor(fine, next - t, 4.0);
    coarse.Advance(next - t, 4.0);
    t = next;
    EXPECT_NEAR(fine.Input1Volts(), response(t), 1e-9) << "t = " << t;
    EXPECT_NEAR(coarse.Input1Volts(), response(t), 1e-9) << "t = " << t;
  }
  // Drive cut, or driven negative (a heater cannot cool): the element keeps heating for
  // the dead time, then cools towards the room at its own pace, never below it.
  const double peak = 4.0 - (4.0 - fine.Input1Volts()) * std::exp(-1.5 / 8.0);
  ThermalProcess reversed = fine;
  AdvanceFor(fine, 1.5, 0.0);
  AdvanceFor(reversed, 1.5, -10.0);
  EXPECT_NEAR(fine.Input1Volts(), peak, 1e-9);
  EXPECT_NEAR(reversed.Input1Volts(), peak, 1e-9);
  AdvanceFor(fine, 8.0, 0.0);
  AdvanceFor(reversed, 8.0, -10.0);
  EXPECT_NEAR(fine.Input1Volts(), peak * std::exp(-1.0), 1e-9);
  EXPECT_NEAR(reversed.Input1Volts(), peak * std::exp(-1.0), 1e-9);
  ThermalProcess room;
  room.ApplyProfile(SimulationProfile::Realistic);
  room.Reset();
  AdvanceFor(room, 60.0, -10.0);
  EXPECT_DOUBLE_EQ(room.Input1Volts(), room.SensorOffsetVolts);
}

}  // namespace
}  // namespace vantor
