// SPDX-License-Identifier: GPL-3.0-or-later
// Settings store and rich-text reader. The start-up reads eleven settings files; the
// target is under 2 ms for all of them. The reader's throughput on a large formatted
// document and on hostile input (deep nesting) shows it stays linear.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/Numbers.h"
#include "common/Rtf.h"
#include "common/SettingsStore.h"

namespace {

namespace fs = std::filesystem;

// A working directory holding a copy of the shipped "sauvegarde" folder.
class WorkingCopy {
 public:
  WorkingCopy() {
    char pattern[] = "/tmp/vantor-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    root_ = pattern;
    fs::copy(fs::path(VANTOR_SOURCE_DIR) / "sauvegarde", root_ / "sauvegarde");
    previous_ = fs::current_path();
    fs::current_path(root_);
  }
  ~WorkingCopy() {
    fs::current_path(previous_);
    fs::remove_all(root_);
  }

 private:
  fs::path root_;
  fs::path previous_;
};

// The start-up's eleven reads and conversions, in its order.
void BM_StartupReadsElevenSettings(benchmark::State& state) {
  WorkingCopy copy;
  for (auto _ : state) {
    long double sum = vantor::StrToInt(vantor::LoadSetting("sauvegarde/adr1.rtf", 4));
    sum += vantor::StrToInt(vantor::LoadSetting("sauvegarde/adr2.rtf", 4));
    for (const char* path :
         {"sauvegarde/finalech.rtf", "sauvegarde/valmoymini.rtf", "sauvegarde/valmoymaxi.rtf",
          "sauvegarde/amplimaxi.rtf", "sauvegarde/ordremaxi.rtf", "sauvegarde/ordremini.rtf"})
      sum += vantor::StrToFloat(vantor::LoadSetting(path, 4));
    for (const char* path :
         {"sauvegarde/kpmax.rtf", "sauvegarde/kdmax.rtf", "sauvegarde/kimax.rtf"})
      sum += vantor::RoundHalfEven(vantor::StrToFloat(vantor::LoadSetting(path, 4)));
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_StartupReadsElevenSettings)->Unit(benchmark::kMicrosecond);

// One settings file replaced (temporary file, flush to disk, rename).
void BM_SaveOneSetting(benchmark::State& state) {
  WorkingCopy copy;
  for (auto _ : state) vantor::SaveSetting("sauvegarde/kpmax.rtf", "16.00");
}
BENCHMARK(BM_SaveOneSetting)->Unit(benchmark::kMicrosecond);

std::string FormattedDocument(std::size_t paragraphs) {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times;}}"
      "{\\colortbl ;\\red255\\green0\\blue0;}\\viewkind4\\uc1\r\n";
  for (std::size_t i = 0; i < paragraphs; ++i)
    rtf +=
        "\\pard\\qj\\f0\\fs20 Le correcteur {\\b proportionnel} multiplie l'\\'e9cart par "
        "{\\i Kp}; {\\cf1\\f1 l'int\\'e9grale} \\u8364? cumule\\tab l'erreur.\\par\r\n";
  return rtf + "}";
}

// Reader throughput on a formatted help text; bytes per second are reported.
void BM_ParseFormattedRtf(benchmark::State& state) {
  const std::string rtf = FormattedDocument(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    vantor::RtfDocument doc;
    vantor::ParseRtf(rtf, doc);
    benchmark::DoNotOptimize(doc.paragraphs.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}
BENCHMARK(BM_ParseFormattedRtf)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Hostile input: groups nested far beyond the depth bound.
void BM_ParseDeeplyNestedRtf(benchmark::State& state) {
  const auto depth = static_cast<std::size_t>(state.range(0));
  const std::string rtf = "{\\rtf1 " + std::string(depth, '{') + "x" + std::string(depth, '}');
  for (auto _ : state) {
    vantor::RtfDocument doc;
    vantor::ParseRtf(rtf, doc);
    benchmark::DoNotOptimize(doc.paragraphs.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}
BENCHMARK(BM_ParseDeeplyNestedRtf)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace
