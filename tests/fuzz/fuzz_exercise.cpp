// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the exercise file's reader: any text must be read as an exercise
// or be refused with a VantorError, never crash or hang. An exercise accepted is written
// and read back to the same text, and its draw stays within its ranges.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/VantorError.h"
#include "lesson-core/Exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  vantor::Exercise e;
  try {
    e = vantor::ParseExercise(text, "sauvegarde/exercice.rtf");
  } catch (const vantor::VantorError&) {
    return 0;
  }
  const std::string written = vantor::ExerciseText(e);
  if (vantor::ExerciseText(vantor::ParseExercise(written, "x")) != written) __builtin_trap();
  const vantor::ExerciseDraw d = vantor::DrawExercise(e, "poste");
  if (d.Gain < e.Gain.Minimum || d.Gain > e.Gain.Maximum || d.Delay < e.Delay.Minimum ||
      d.Delay > e.Delay.Maximum)
    __builtin_trap();
  return 0;
}
