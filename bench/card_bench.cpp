// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated card's cost per regulation cycle, in virtual time.
#include <benchmark/benchmark.h>

#include <memory>

#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "simulation/Clock.h"
#include "simulation/DcMotorPosition.h"

namespace {

using vantor::AD2var;
using vantor::SimulatedCard;
using vantor::VirtualClock;

// The card work of one cycle without the wait: two counter programmings, the channel,
// one conversion and the order output.
void BM_CycleCardWork(benchmark::State& state) {
  VirtualClock clock;
  SimulatedCard card(clock);
  AD2var driver(card);
  driver.CardInit(0x330, 0x340);
  std::uint16_t count = 1800;
  for (auto _ : state) {
    driver.ProgramCounter(1, 0, 0, 50);
    driver.ProgramCounter(2, 3, 0, 2458);
    driver.SelectChannel(1);
    benchmark::DoNotOptimize(driver.ConvertAnalog());
    driver.SetOutput2(count);
    count = count == 1800 ? 2300 : 1800;
  }
}
BENCHMARK(BM_CycleCardWork);

// A whole cycle including the wait on line 7, which jumps 50 ms of virtual time and so
// integrates fifty steps of the motor.
void BM_CycleWithWait(benchmark::State& state) {
  VirtualClock clock;
  SimulatedCard card(clock);
  AD2var driver(card);
  driver.CardInit(0x330, 0x340);
  for (auto _ : state) {
    driver.ProgramCounter(1, 0, 0, 50);
    driver.ProgramCounter(2, 3, 0, 2458);
    driver.SelectChannel(1);
    const auto counts = driver.ConvertAnalog();
    driver.SetOutput2(static_cast<std::uint16_t>(counts < 2400 ? 1843 : 2253));
    driver.WaitLine7High();
  }
}
BENCHMARK(BM_CycleWithWait);

// A 2,500-cycle run (125 s of virtual time) from a fresh card.
void BM_Run2500Cycles(benchmark::State& state) {
  for (auto _ : state) {
    VirtualClock clock;
    SimulatedCard card(clock);
    AD2var driver(card);
    driver.CardInit(0x330, 0x340);
    for (int cycle = 0; cycle < 2500; ++cycle) {
      driver.ProgramCounter(1, 0, 0, 50);
      driver.ProgramCounter(2, 3, 0, 2458);
      driver.SelectChannel(1);
      const auto counts = driver.ConvertAnalog();
      driver.SetOutput2(static_cast<std::uint16_t>(counts < 2400 ? 1843 : 2253));
      driver.WaitLine7High();
    }
    benchmark::DoNotOptimize(card.Output2Count());
  }
}
BENCHMARK(BM_Run2500Cycles)->Unit(benchmark::kMillisecond);

}  // namespace
