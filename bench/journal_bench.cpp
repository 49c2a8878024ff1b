// SPDX-License-Identifier: GPL-3.0-or-later
// The journal's table: listing a day of 10,000 entries (target under 0.5 s).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "lesson-core/Journal.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

void BM_ListTenThousandEntries(benchmark::State& state) {
  constexpr int kEntries = 10'000;
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
  // One entry written by the journal, the others copies of it under the names the
  // journal gives, one a second from 08:00: as many files of the same size to read.
  const std::string first = WriteJournalEntry(root.string(), *run, "2025-03-14 08:00:00");
  const fs::path day = fs::path(first).parent_path();
  for (int i = 1; i < kEntries; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "%02d-%02d-%02d-0001_echelon_Kp3_Kd0_Ki0.5.csv",
                  8 + i / 3600, (i / 60) % 60, i % 60);
    fs::copy_file(first, day / name);
  }
  for (auto _ : state) {
    const auto rows = ListJournalDay(root.string(), "2025-03-14");
    if (rows.size() != kEntries) state.SkipWithError("entries missing");
    benchmark::DoNotOptimize(rows.data());
  }
  fs::remove_all(root);
}
BENCHMARK(BM_ListTenThousandEntries)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace vantor

BENCHMARK_MAIN();
