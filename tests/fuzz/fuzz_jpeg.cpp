// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the JPEG decoder: any byte string must either decode or be refused
// with a VantorError; crashes, leaks, hangs and undefined behaviour are the faults sought.
#include <cstddef>
#include <cstdint>

#include "common/JpegDecoder.h"
#include "common/VantorError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Smaller pixel budget than the program's, so that a few header bytes claiming a huge
  // picture do not make every run allocate hundreds of megabytes; the checks are the same.
  vantor::JpegLimits limits;
  limits.maxPixels = 4'000'000;
  limits.maxScans = 200;
  try {
    const vantor::DecodedPicture picture = vantor::DecodeJpegBytes(data, size, limits);
    if (picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height * 3)
      __builtin_trap();
  } catch (const vantor::VantorError&) {
  }
  return 0;
}
