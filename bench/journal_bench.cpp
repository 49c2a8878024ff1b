// SPDX-License-Identifier: GPL-3.0-or-later
// The journal's table: listing a day of 1,000 entries (target under 0.5 s).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "lesson-core/Journal.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

void BM_ListThousandEntries(benchmark::State& state) {
  const fs::path root = fs::temp_directory_path() / ("journal-bench-" + std::to_string(::getpid()));
  fs::remove_all(root);
  auto run = std::make_unique<Trial>();
  run->SetpointKind = "echelon";
  run->SetpointCaption = "Consigne: Echelon";
  run->StepLevel = 4;
  run->Kp = 3;
  run->Ki = 0.5L;
  run->LastEntry = 400;
  for (int k = 20; k <= 400; ++k) {
    run->Record[static_cast<std::size_t>(kSeriesSetpoint * kRecordEntries + k)] = 400;
    run->Record[static_cast<std::size_t>(kSeriesFeedback * kRecordEntries + k)] =
        400 - 400 * (400 - k) / 380;
  }
  for (int i = 0; i < 1000; ++i) {
    char now[32];
    std::snprintf(now, sizeof now, "2025-03-14 %02d:%02d:%02d", 8 + i / 3600, (i / 60) % 60, i % 60);
    WriteJournalEntry(root.string(), *run, now);
  }
  for (auto _ : state) {
    const auto rows = ListJournalDay(root.string(), "2025-03-14");
    if (rows.size() != 1000) state.SkipWithError("entries missing");
    benchmark::DoNotOptimize(rows.data());
  }
  fs::remove_all(root);
}
BENCHMARK(BM_ListThousandEntries)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace vantor

BENCHMARK_MAIN();
