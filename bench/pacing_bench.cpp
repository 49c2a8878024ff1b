// Real-time pacing of the simulated card: 200 periods of the regulation cycle's card
// work (counters, conversion, output, wait on line 7) on the real clock. Prints the
// period statistics and the processor time used, and fails (exit status 1) when the
// mean period is more than 0.1 ms away from 50 ms or the process used more than a
// quarter of a processor.
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "AD2var.h"
#include "Clock.h"
#include "SimulatedCard.h"

namespace {
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}
}  // namespace

int main() {
  constexpr int kPeriods = 200;
  vantor::RealClock clock;
  vantor::SimulatedCard card(clock);
  vantor::AD2var driver(card);
  driver.CardInit(0x330, 0x340);

  std::vector<double> ends;
  ends.reserve(kPeriods + 1);
  // One cycle to get in step, then the measured ones.
  const auto cycle = [&] {
    driver.ProgramCounter(1, 0, 0, 50);
    driver.ProgramCounter(2, 3, 0, 2458);
    driver.SelectChannel(1);
    const auto counts = driver.ConvertAnalog();
    driver.SetOutput2(static_cast<std::uint16_t>(counts < 2400 ? 1843 : 2253));
    driver.WaitLine7High();
    ends.push_back(clock.Now());
  };
  cycle();
  const double cpuStart = CpuSeconds();
  const double wallStart = clock.Now();
  for (int i = 0; i < kPeriods; ++i) cycle();
  const double cpu = CpuSeconds() - cpuStart;
  const double wall = clock.Now() - wallStart;

  std::vector<double> periods;
  for (std::size_t i = 1; i < ends.size(); ++i) periods.push_back((ends[i] - ends[i - 1]) * 1e3);
  double mean = 0.0;
  for (double p : periods) mean += p / periods.size();
  double variance = 0.0;
  for (double p : periods) variance += (p - mean) * (p - mean) / periods.size();
  const auto [low, high] = std::minmax_element(periods.begin(), periods.end());
  const double load = cpu / wall;

  std::printf("periods: %d\n", kPeriods);
  std::printf("mean period: %.4f ms (target 50 ms +/- 0.1 ms)\n", mean);
  std::printf("std deviation: %.4f ms, min %.4f ms, max %.4f ms\n", std::sqrt(variance), *low,
              *high);
  std::printf("wall time: %.3f s, processor time: %.3f s, load: %.2f %% of one core\n", wall, cpu,
              load * 100);
  const bool ok = std::abs(mean - 50.0) <= 0.1 && load < 0.25;
  std::printf("%s\n", ok ? "OK" : "OUT OF TARGET");
  return ok ? 0 : 1;
}
