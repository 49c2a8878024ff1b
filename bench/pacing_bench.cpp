// SPDX-License-Identifier: GPL-3.0-or-later
// Real-time pacing of the simulated card: periods of the regulation cycle's card work
// (counters, conversion, output, wait on line 7) on the real clock, measured between two
// ends of the wait as the run measures them. Four conditions: machine as it is, then
// loaded by two busy threads (one per core of the reference machine), each with the
// process's ordinary scheduling and with the real-time scheduling a run takes when the
// system permits it (RealTimeScheduling). Prints the mean, 99th percentile and maximum
// period, the late cycles (over 55 ms) and the processor time used.
// Usage: pacing_bench [PERIODS]   (400 by default)
// Exit status 1 when, as it is and ordinary, the mean is more than 0.1 ms away from
// 50 ms or the process used more than a quarter of a processor; or when, loaded and in
// real time, the mean is more than 0.05 ms away or the 99th percentile reaches 50.5 ms.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "regulation/RealTimeScheduling.h"
#include "regulation/RunPacing.h"
#include "simulation/Clock.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Figures {
  double mean = 0, p99 = 0, max = 0, load = 0;
  int late = 0;
  bool asked = false, realTime = false;
};

Figures Measure(int periods, bool realTime) {
  vantor::RealClock clock;
  vantor::SimulatedCard card(clock);
  vantor::AD2var driver(card);
  driver.CardInit(0x330, 0x340);
  std::vector<double> ends;
  ends.reserve(static_cast<std::size_t>(periods) + 1);
  const auto cycle = [&] {
    driver.ProgramCounter(1, 0, 0, 50);
    driver.ProgramCounter(2, 3, 0, 2458);
    driver.SelectChannel(1);
    const auto counts = driver.ConvertAnalog();
    driver.SetOutput2(static_cast<std::uint16_t>(counts < 2400 ? 1843 : 2253));
    driver.WaitLine7High();
    ends.push_back(clock.Now());
  };

  Figures f;
  f.asked = realTime;
  std::optional<vantor::RealTimeScheduling> scheduling;
  if (realTime) scheduling.emplace();
  f.realTime = scheduling && scheduling->Active();
  cycle();  // one cycle to get in step
  const double cpuStart = CpuSeconds();
  const double wallStart = clock.Now();
  for (int i = 0; i < periods; ++i) cycle();
  f.load = (CpuSeconds() - cpuStart) / (clock.Now() - wallStart);
  scheduling.reset();

  std::vector<double> p;
  for (std::size_t i = 1; i < ends.size(); ++i) p.push_back((ends[i] - ends[i - 1]) * 1e3);
  for (double x : p) f.mean += x / static_cast<double>(p.size());
  std::sort(p.begin(), p.end());
  f.p99 = p[static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(p.size()))) - 1];
  f.max = p.back();
  f.late = static_cast<int>(std::count_if(
      p.begin(), p.end(), [](double ms) { return ms > vantor::kLatePeriodSeconds * 1e3; }));
  return f;
}

// Two threads that keep the processors busy while they live.
class Load {
 public:
  Load() {
    for (int i = 0; i < 2; ++i)
      threads_.emplace_back([this] {
        volatile unsigned long n = 0;
        while (!stop_.load(std::memory_order_relaxed)) n = n + 1;
      });
  }
  ~Load() {
    stop_ = true;
    for (std::thread& t : threads_) t.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

void Print(const char* condition, const Figures& f) {
  std::printf("%-34s mean %8.4f ms  p99 %8.3f ms  max %8.3f ms  late %3d  load %5.2f %%%s\n",
              condition, f.mean, f.p99, f.max, f.late, f.load * 100,
              f.asked && !f.realTime ? "  (real time not permitted: ordinary scheduling)" : "");
}

}  // namespace

int main(int argc, char** argv) {
  const int periods = argc > 1 ? std::max(10, std::atoi(argv[1])) : 400;
  std::printf("periods per condition: %d\n", periods);
  const Figures idle = Measure(periods, false);
  Print("as it is, ordinary scheduling", idle);
  const Figures idleRt = Measure(periods, true);
  Print("as it is, real-time scheduling", idleRt);
  Figures loaded, loadedRt;
  {
    Load load;
    loaded = Measure(periods, false);
    Print("two busy threads, ordinary", loaded);
    loadedRt = Measure(periods, true);
    Print("two busy threads, real-time", loadedRt);
  }
  bool ok = std::abs(idle.mean - 50.0) <= 0.1 && idle.load < 0.25;
  if (loadedRt.realTime) ok = ok && std::abs(loadedRt.mean - 50.0) <= 0.05 && loadedRt.p99 < 50.5;
  std::printf("%s\n", ok ? "OK" : "OUT OF TARGET");
  return ok ? 0 : 1;
}
