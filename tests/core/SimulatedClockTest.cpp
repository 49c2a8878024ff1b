// SPDX-License-Identifier: GPL-3.0-or-later
// The two clocks of the simulated card, and the card's waits on the real clock.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <memory>

#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "simulation/Clock.h"
#include "simulation/ConstantInputs.h"
#include "simulation/DcMotorPosition.h"

namespace vantor {
namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

TEST(SimulatedClock, VirtualTimeMovesOnlyForwardAndOnlyWhenAsked) {
  VirtualClock clock;
  EXPECT_EQ(clock.Now(), 0.0);
  EXPECT_TRUE(clock.IsVirtual());
  clock.SleepUntil(0.05);
  EXPECT_EQ(clock.Nanoseconds(), 50'000'000);
  clock.SleepUntil(0.01);
  EXPECT_EQ(clock.Nanoseconds(), 50'000'000);
  clock.Advance(1e-6);
  EXPECT_EQ(clock.Nanoseconds(), 50'001'000);
  clock.SleepUntil(NAN);
  clock.SleepUntil(1e300);
  EXPECT_EQ(clock.Nanoseconds(), 50'001'000);
  EXPECT_DOUBLE_EQ(clock.Now(), 0.050001);
}

TEST(SimulatedClock, EveryPortAccessTakesOneMicrosecondOfVirtualTime) {
  VirtualClock clock;
  SimulatedCard card(clock);
  card.PortWrite(0x340, 1);
  (void)card.PortRead(0x341);
  (void)card.PortRead(0x999);  // outside the card: the bus cycle still takes its time
  EXPECT_EQ(clock.Nanoseconds(), 3'000);
}

TEST(SimulatedClock, RealTimeWaitOnLineSevenLastsThePeriodWithoutHoldingTheProcessor) {
  RealClock clock;
  SimulatedCard card(clock, std::make_unique<ConstantInputs>(0, 100));
  AD2var driver(card);
  driver.CardInit(0x330, 0x340);
  const double cpuBefore = CpuSeconds();
  driver.ProgramCounter(1, 0, 0, 50);
  driver.ProgramCounter(2, 3, 0, 2458);
  const double programmed = clock.Now();
  driver.WaitLine7High();
  const double waited = clock.Now() - programmed;
  EXPECT_GE(waited, 0.0499);
  EXPECT_LT(waited, 0.5);
  // Polling the line for 50 ms would cost about 50 ms of processor time.
  EXPECT_LT(CpuSeconds() - cpuBefore, 0.025);
}

TEST(SimulatedClock, LongVirtualJumpsCostOneExactStep) {
  VirtualClock clock;
  auto motor = std::make_unique<DcMotorPosition>();
  motor->NoiseVolts = 0.0;
  SimulatedCard card(clock, std::move(motor));
  AD2var driver(card);
  driver.CardInit(0x330, 0x340);
  driver.SelectChannel(1);
  driver.SetOutput2(2048 - 2);      // a hundredth of a volt: 10 V is reached after ~17 min
  clock.Advance(30.0 * 24 * 3600);  // a month without access: 2.6e9 steps of 1 ms
  EXPECT_EQ(driver.ConvertAnalog(), 3999);
  driver.SetOutput2(2048 + 2);
  clock.Advance(600.0);
  const double expected = 10.0 - (2.0 / 205.0) * (600.0 - 0.2 * (1.0 - std::exp(-3000.0)));
  EXPECT_NEAR(driver.ConvertAnalog() * 10.24 / 4095, expected, 0.01 * expected);
}

}  // namespace
}  // namespace vantor
