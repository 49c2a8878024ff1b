// SPDX-License-Identifier: GPL-3.0-or-later
// Identification of a full record (2,001 entries, 1,999 of them recorded): a noisy first
// order with delay, the thermal process's shape, and a P run's pumping on an oscillating
// error. Target: under 50 ms for the identification.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

#include "lesson-core/Identification.h"
#include "lesson-core/Pumping.h"

namespace {

using namespace vantor;

void Put(Trial& t, int series, int k, double volts) {
  t.Record[static_cast<std::size_t>(series * kRecordEntries + k)] = ToHundredths(volts);
}

std::unique_ptr<Trial> NoisyThermalStep() {
  auto t = std::make_unique<Trial>();
  t->SetpointKind = "echelon";
  t->LoopMode = "Ouv";
  t->LastEntry = kRecordLastEntry;
  std::mt19937 generator(7);
  std::uniform_real_distribution<double> noise(-0.016, 0.016);
  for (int k = 0; k <= kRecordLastEntry; ++k) {
    const double x = (k - 50) * 0.05 - 1.725;
    Put(*t, kSeriesSetpoint, k, k >= 50 ? 5 : 0);
    Put(*t, kSeriesFeedback, k, 0.5 + (x > 0 ? 5 * (1 - std::exp(-x / 8)) : 0) + noise(generator));
  }
  return t;
}

void BM_IdentifyFullRecord(benchmark::State& state) {
  const auto run = NoisyThermalStep();
  for (auto _ : state) {
    Identification id = Identify(*run);
    benchmark::DoNotOptimize(id);
  }
}
BENCHMARK(BM_IdentifyFullRecord)->Unit(benchmark::kMillisecond);

void BM_PumpingFullRecord(benchmark::State& state) {
  auto run = std::make_unique<Trial>();
  run->SetpointKind = "echelon";
  run->LoopMode = "fermee";
  run->Kp = 5.4;
  run->LastEntry = kRecordLastEntry;
  for (int k = 0; k <= kRecordLastEntry; ++k) {
    Put(*run, kSeriesSetpoint, k, k >= 50 ? 1 : 0);
    Put(*run, kSeriesError, k, k >= 50 ? std::cos((k - 50) * 0.05 * 2 * M_PI / 1.6) : 0);
  }
  for (auto _ : state) {
    Pumping p = MeasurePumping(*run);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_PumpingFullRecord)->Unit(benchmark::kMicrosecond);

}  // namespace
