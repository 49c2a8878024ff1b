// SPDX-License-Identifier: GPL-3.0-or-later
// The card's timer chain: counter 2 at 2.458 MHz clocks counter 1, whose output is
// digital input line 7. The regulation loop's pacing depends on it.
#include <gtest/gtest.h>

#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "card/Timer8254.h"
#include "simulation/Clock.h"

namespace vantor {
namespace {

constexpr std::int64_t kMs = 1'000'000;

class SimulatedTimerTest : public ::testing::Test {
 protected:
  void SetUp() override { driver.CardInit(0x330, 0x340); }
  void ProgramLoopCounters() {
    driver.ProgramCounter(1, 0, 0, 50);
    driver.ProgramCounter(2, 3, 0, 2458);
  }
  VirtualClock clock;
  SimulatedCard card{clock};
  AD2var driver{card};
};

TEST_F(SimulatedTimerTest, LoopCountersRaiseLineSevenFiftyMillisecondsAfterProgramming) {
  for (int cycle = 0; cycle < 5; ++cycle) {
    ProgramLoopCounters();
    const std::int64_t programmed = clock.Nanoseconds();
    EXPECT_FALSE(card.Line7High());
    clock.SleepUntil((programmed + 49 * kMs) * 1e-9);
    EXPECT_FALSE(card.Line7High()) << "risen before 49 ms, cycle " << cycle;
    clock.SleepUntil((programmed + 49 * kMs + 900'000) * 1e-9);
    EXPECT_FALSE(card.Line7High());
    clock.SleepUntil((programmed + 51 * kMs) * 1e-9);
    EXPECT_TRUE(card.Line7High()) << "still low at 51 ms, cycle " << cycle;
    // Once high, line 7 stays high until the next programming.
    clock.SleepUntil((programmed + 200 * kMs) * 1e-9);
    EXPECT_TRUE(card.Line7High());
    EXPECT_EQ(driver.ReadDigitalInputBit(7), 0);
  }
}

TEST_F(SimulatedTimerTest, WaitingForLineSevenJumpsVirtualTimeToTheRise) {
  ProgramLoopCounters();
  const std::int64_t programmed = clock.Nanoseconds();
  // The first read while the line is low returns only when it has risen.
  EXPECT_EQ(driver.ReadDigitalInputBit(7), 0);
  const std::int64_t waited = clock.Nanoseconds() - programmed;
  EXPECT_GE(waited, 49 * kMs);
  EXPECT_LE(waited, 51 * kMs);
  EXPECT_NEAR(static_cast<double>(waited), 50.0 * kMs, 20'000.0);
  // Cycle after cycle the period stays 50 ms plus the few accesses of the cycle.
  const std::int64_t start = clock.Nanoseconds();
  for (int cycle = 0; cycle < 100; ++cycle) {
    ProgramLoopCounters();
    driver.SelectChannel(1);
    (void)driver.ConvertAnalog();
    driver.SetOutput2(2048);
    driver.WaitLine7High();
  }
  const double period = (clock.Nanoseconds() - start) / 100.0;
  EXPECT_NEAR(period, 50.0 * kMs, 50'000.0);
}

TEST_F(SimulatedTimerTest, LineSevenIsLowFromProgrammingUntilTheCountEnds) {
  ProgramLoopCounters();
  driver.WaitLine7High();
  ASSERT_TRUE(card.Line7High());
  // Reprogramming counter 1 alone (mode 0) brings its output low at once.
  driver.ProgramCounter(1, 0, 0, 10);
  EXPECT_FALSE(card.Line7High());
  EXPECT_EQ(driver.ReadDigitalInputBit(7), 0);  // the read waited for the rise
  EXPECT_TRUE(card.Line7High());
}

TEST_F(SimulatedTimerTest, LineSevenNeverRisesWithoutItsClock) {
  // Counter 1 programmed, counter 2 not: no clock pulses reach counter 1.
  driver.ProgramCounter(1, 0, 0, 50);
  const double before = clock.Now();
  EXPECT_EQ(driver.ReadDigitalInputBit(7), 1);
  EXPECT_LT(clock.Now() - before, 1e-5);  // nothing to wait for: no jump
  clock.Advance(10.0);
  EXPECT_FALSE(card.Line7High());
}

TEST(Timer8254Model, SquareWaveOfCounterTwoHasTheProgrammedPeriod) {
  Timer8254 timer;
  timer.WriteControl(0xB6);  // counter 2, LSB then MSB, mode 3
  EXPECT_TRUE(timer.Output(2));
  timer.WriteCount(2, 0x9A);
  timer.WriteCount(2, 0x09);  // 2458: one period per millisecond
  // High for the first half period, low for the second.
  timer.AdvanceTo(400'000);
  EXPECT_TRUE(timer.Output(2));
  timer.AdvanceTo(600'000);
  EXPECT_FALSE(timer.Output(2));
  timer.AdvanceTo(999'000);
  EXPECT_FALSE(timer.Output(2));
  timer.AdvanceTo(1'000'000);
  EXPECT_TRUE(timer.Output(2));
  timer.AdvanceTo(7'300'000);
  EXPECT_TRUE(timer.Output(2));
  timer.AdvanceTo(7'700'000);
  EXPECT_FALSE(timer.Output(2));
}

TEST(Timer8254Model, CounterOneCountsOnePulsePerPeriodOfCounterTwo) {
  Timer8254 timer;
  timer.WriteControl(0x70);  // counter 1, LSB then MSB, mode 0
  timer.WriteCount(1, 3);
  timer.WriteCount(1, 0);
  timer.WriteControl(0xB6);
  timer.WriteCount(2, 0x0A);  // 10 oscillator pulses per period: 4.068 µs
  timer.WriteCount(2, 0x00);
  ASSERT_TRUE(timer.NextCounter1Rise().has_value());
  // Third period ends at pulse 30: ceil(30 / 2.458 MHz) = 12206 ns.
  EXPECT_EQ(*timer.NextCounter1Rise(), 12'206);
  timer.AdvanceTo(12'205);
  EXPECT_FALSE(timer.Output(1));
  timer.AdvanceTo(12'206);
  EXPECT_TRUE(timer.Output(1));
  EXPECT_FALSE(timer.NextCounter1Rise().has_value());
}

TEST(Timer8254Model, SingleByteAccessBcdAndModeThreeOnCounterOne) {
  Timer8254 timer;
  // Counter 2: MSB only, mode 3, count 0x0A00 = 2560.
  timer.WriteControl(0xA6);
  timer.WriteCount(2, 0x0A);
  // Counter 1: LSB only, mode 3, BCD count 0x10 = ten periods, square wave of line 7.
  timer.WriteControl(0x57);
  EXPECT_TRUE(timer.Output(1));
  timer.WriteCount(1, 0x10);
  const std::int64_t period2 = 2560LL * 1'000'000'000 / Timer8254::kOscillatorHz;  // 1.0415 ms
  // High for five periods of counter 2, low for five, and so on.
  timer.AdvanceTo(4 * period2 + period2 / 2);
  EXPECT_TRUE(timer.Output(1));
  timer.AdvanceTo(5 * period2 + period2 / 2);
  EXPECT_FALSE(timer.Output(1));
  const auto rise = timer.NextCounter1Rise();
  ASSERT_TRUE(rise.has_value());
  EXPECT_NEAR(static_cast<double>(*rise), 10.0 * period2, 2.0);
  timer.AdvanceTo(*rise);
  EXPECT_TRUE(timer.Output(1));
}

TEST(Timer8254Model, OneShotCounterTwoGivesCounterOneASinglePulse) {
  Timer8254 timer;
  timer.WriteControl(0x70);
  timer.WriteCount(1, 2);
  timer.WriteCount(1, 0);
  timer.WriteControl(0xB0);  // counter 2 in mode 0
  timer.WriteCount(2, 0x9A);
  timer.WriteCount(2, 0x09);
  EXPECT_FALSE(timer.NextCounter1Rise().has_value());  // needs two pulses, gets one
  timer.AdvanceTo(100 * kMs);
  EXPECT_TRUE(timer.Output(2));
  EXPECT_FALSE(timer.Output(1));
}

TEST(Timer8254Model, FirstByteOfANewCountStopsAModeZeroCount) {
  Timer8254 timer;
  timer.WriteControl(0xB6);
  timer.WriteCount(2, 0x9A);
  timer.WriteCount(2, 0x09);
  timer.WriteControl(0x70);
  timer.WriteCount(1, 1);
  timer.WriteCount(1, 0);
  timer.AdvanceTo(2 * kMs);
  ASSERT_TRUE(timer.Output(1));
  timer.WriteCount(1, 5);  // LSB only so far: output low, no count
  EXPECT_FALSE(timer.Output(1));
  EXPECT_FALSE(timer.NextCounter1Rise().has_value());
  timer.AdvanceTo(20 * kMs);
  EXPECT_FALSE(timer.Output(1));
  timer.WriteCount(1, 0);  // count 5 loaded at 20 ms
  EXPECT_EQ(timer.NextCounter1Rise().value_or(0), 25 * kMs);
}

}  // namespace
}  // namespace vantor
