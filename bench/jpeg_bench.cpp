// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG decoder: cost of loading a course picture the way the viewers do (file read and
// decode), of decoding from memory, and of refusing a damaged file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/JpegDecoder.h"
#include "common/VantorError.h"

namespace {

const std::string kPicture = std::string(VANTOR_SOURCE_DIR) + "/aide/sch\xC3\xA9mapos.jpg";

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_LoadCoursePictureFromFile(benchmark::State& state) {
  std::int64_t pixels = 0;
  for (auto _ : state) {
    const vantor::DecodedPicture pic = vantor::DecodeJpegFile(kPicture);
    pixels += static_cast<std::int64_t>(pic.width) * pic.height;
    benchmark::DoNotOptimize(pic.rgb.data());
  }
  state.counters["Mpixels/s"] =
      benchmark::Counter(static_cast<double>(pixels) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadCoursePictureFromFile)->Unit(benchmark::kMillisecond);

void BM_DecodeCoursePictureFromMemory(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes = ReadAll(kPicture);
  for (auto _ : state) {
    const vantor::DecodedPicture pic = vantor::DecodeJpegBytes(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(pic.rgb.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_DecodeCoursePictureFromMemory)->Unit(benchmark::kMillisecond);

// A picture cut in the middle is refused once the decoder reaches the cut.
void BM_RefuseTruncatedPicture(benchmark::State& state) {
  std::vector<std::uint8_t> bytes = ReadAll(kPicture);
  bytes.resize(bytes.size() / 2);
  for (auto _ : state) {
    try {
      vantor::DecodeJpegBytes(bytes.data(), bytes.size());
      state.SkipWithError("truncated picture accepted");
    } catch (const vantor::VantorError& e) {
      benchmark::DoNotOptimize(e.what());
    }
  }
}
BENCHMARK(BM_RefuseTruncatedPicture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
