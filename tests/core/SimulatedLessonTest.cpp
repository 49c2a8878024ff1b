// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped process settings make a good lesson. A small PID loop, written here for the
// purpose and following the workstation's cycle (50 ms period paced by line 7, ten-sample
// mean of the feedback, order limited to ±10 V, output-2 count 2048 - 205 × order), runs
// the default motors on the simulated card in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "simulation/Clock.h"
#include "simulation/DcMotorPosition.h"
#include "simulation/DcMotorSpeed.h"

namespace vantor {
namespace {

struct Gains {
  double kp = 0.0;
  double kd = 0.0;
  double ki = 0.0;
};

struct Response {
  std::vector<double> feedback;  // ten-sample mean, volts, one entry per 50 ms cycle
  double Peak() const { return *std::max_element(feedback.begin(), feedback.end()); }
  double At(double seconds) const { return feedback.at(static_cast<std::size_t>(seconds / 0.05)); }
  // First time after which the feedback stays within `band` volts of `target`.
  double SettlingTime(double target, double band) const {
    std::size_t last = 0;
    for (std::size_t i = 0; i < feedback.size(); ++i)
      if (std::abs(feedback[i] - target) > band) last = i + 1;
    return last * 0.05;
  }
};

Response StepResponse(std::unique_ptr<ProcessModel> process, Gains gains, double seconds,
                      double setpoint = 6.0) {
  VirtualClock clock;
  SimulatedCard card(clock, std::move(process));
  AD2var driver(card);
  driver.CardInit(0x330, 0x340);
  driver.SelectRange('u');
  driver.SetOutput2(2048);
  double history[10] = {};
  double previousError = 0.0, errorSum = 0.0, previousD = 0.0;
  Response response;
  const int cycles = static_cast<int>(seconds / 0.05);
  for (int cycle = 0; cycle < cycles; ++cycle) {
    driver.ProgramCounter(1, 0, 0, 50);
    driver.ProgramCounter(2, 3, 0, 2458);
    driver.SelectChannel(1);
    double sample = driver.ConvertAnalog() * 10.24 / 4095;
    if (sample < 0.2) sample = history[0];
    std::copy_backward(history, history + 9, history + 10);
    history[0] = sample;
    double feedback = 0.0;
    for (double h : history) feedback += h / 10;
    const double error = setpoint - feedback;
    const double dRaw = (error - previousError) * gains.kd * 1000 / 50;
    previousError = error;
    const double d = std::abs(dRaw) >= std::abs(dRaw - previousD) ? dRaw : dRaw + 0.6 * previousD;
    previousD = d;
    errorSum += error;
    const double order = std::clamp(gains.kp * error + d + errorSum * gains.ki * 0.05, -10.0, 10.0);
    driver.SetOutput2(
        static_cast<std::uint16_t>(std::lround(std::clamp(2048 - 205 * order, 0.0, 4095.0))));
    response.feedback.push_back(feedback);
    driver.WaitLine7High();
  }
  return response;
}

TEST(SimulatedLesson, PositionLoopSettlesWithPAloneAndOvershootsAsKpGrows) {
  const Response gentle = StepResponse(std::make_unique<DcMotorPosition>(), {1.0, 0, 0}, 20);
  EXPECT_LT(gentle.SettlingTime(6.0, 0.3), 4.0);
  EXPECT_LT(gentle.Peak(), 6.6);
  EXPECT_NEAR(gentle.At(19.9), 6.0, 0.05);  // the integrator leaves no static error

  const Response lively = StepResponse(std::make_unique<DcMotorPosition>(), {4.0, 0, 0}, 20);
  EXPECT_GT(lively.Peak(), 7.5);  // clearly visible overshoot
  EXPECT_LT(lively.SettlingTime(6.0, 0.3), 15.0);

  // The derivative term damps it.
  const Response damped = StepResponse(std::make_unique<DcMotorPosition>(), {4.0, 1.0, 0}, 20);
  EXPECT_LT(damped.Peak(), lively.Peak() - 1.0);
  EXPECT_LT(damped.SettlingTime(6.0, 0.3), lively.SettlingTime(6.0, 0.3));
}

TEST(SimulatedLesson, SpeedLoopKeepsAStaticErrorUntilTheIntegralTermRemovesIt) {
  const Response proportional = StepResponse(std::make_unique<DcMotorSpeed>(), {1.0, 0, 0}, 20);
  // Kp = 1 and a process gain of 1: the feedback settles about half way.
  EXPECT_NEAR(proportional.At(19.9), 3.0, 0.1);
  const Response stronger = StepResponse(std::make_unique<DcMotorSpeed>(), {4.0, 0, 0}, 20);
  EXPECT_NEAR(stronger.At(19.9), 4.8, 0.15);

  const Response integral = StepResponse(std::make_unique<DcMotorSpeed>(), {1.0, 0, 1.0}, 20);
  EXPECT_NEAR(integral.At(19.9), 6.0, 0.05);
  EXPECT_LT(integral.SettlingTime(6.0, 0.3), 6.0);
}

TEST(SimulatedLesson, RunsRepeatBitForBitIncludingTheNoise) {
  // 2,500 cycles, the length of the longest run the record describes.
  const Response first = StepResponse(std::make_unique<DcMotorPosition>(), {2.0, 0.5, 0.5}, 125);
  const Response second = StepResponse(std::make_unique<DcMotorPosition>(), {2.0, 0.5, 0.5}, 125);
  ASSERT_EQ(first.feedback.size(), 2500u);
  EXPECT_EQ(first.feedback, second.feedback);
  auto noisier = std::make_unique<DcMotorPosition>();
  noisier->NoiseSeed = 7;
  EXPECT_NE(StepResponse(std::move(noisier), {2.0, 0.5, 0.5}, 125).feedback, first.feedback);
}

}  // namespace
}  // namespace vantor
