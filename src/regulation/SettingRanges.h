// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the settings window accepts for each value it writes, which is also what the
// start-up accepts from the files: a value outside (a hand-edited file, a damaged disk)
// stops the start-up instead of driving the card with it.
#include <cstdint>
#include <string>

namespace vantor {

struct SettingRange {
  long double low, high;
  bool Contains(long double v) const { return v >= low && v <= high; }
  // "de 0 à 8", in the short number form.
  std::string Text() const;
};

inline constexpr SettingRange kStepLimitRange{0, 8};            // finalech
inline constexpr SettingRange kLargestMeanRange{3, 7};          // valmoymaxi
inline constexpr SettingRange kSmallestMeanRange{2, 7};         // valmoymini
inline constexpr SettingRange kLargestAmplitudeRange{0.1L, 3};  // amplimaxi
// ordremaxi and ordremini: no bound but the four characters the file is read back from.
inline constexpr SettingRange kOrderLimitRange{-999, 9999};

// A gain range is one of the six ranges of the settings window: 2, 4, 8, 16, 32 or 64.
bool IsGainRange(std::int32_t range);
inline constexpr const char* kGainRangesText = "2, 4, 8, 16, 32 ou 64";

// The message of a value read from `path` (its text `text`) outside what the settings
// window accepts (`accepted`, such as "de 0 à 8"); the second line names the file.
std::string OutOfRangeMessage(const std::string& text, const std::string& accepted,
                              const std::string& path);

}  // namespace vantor
