// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the run-file reader: any byte string must be read as a run or be
// refused with a VantorError, never crash, hang or leave the run half changed. A run
// accepted is written and read back to the same record and gains.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/VantorError.h"
#include "regulation/RunFile.h"
#include "regulation/Trial.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto run = std::make_unique<vantor::Trial>();
  run->Kp = 1234;
  try {
    vantor::ReadRunText("essai.csv", text, *run);
  } catch (const vantor::VantorError&) {
    // Refused: the run is untouched.
    if (run->Kp != 1234 || run->LastEntry != 0) __builtin_trap();
    return 0;
  }
  static const std::string path = "/tmp/fuzz-runfile-" + std::to_string(::getpid()) + ".csv";
  vantor::WriteRunFile(path, *run);
  auto back = std::make_unique<vantor::Trial>();
  vantor::ReadRunFile(path, *back);
  if (!(back->Record == run->Record) || back->LastEntry != run->LastEntry ||
      back->SetpointCaption != run->SetpointCaption)
    __builtin_trap();
  return 0;
}
