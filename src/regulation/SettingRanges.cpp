// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/SettingRanges.h"

#include "common/FileErrors.h"
#include "common/Numbers.h"

namespace vantor {

std::string SettingRange::Text() const {
  return "de " + FormatShort(low) + " à " + FormatShort(high);
}

bool IsGainRange(std::int32_t range) {
  for (std::int32_t r = 2; r <= 64; r *= 2)
    if (range == r) return true;
  return false;
}

std::string OutOfRangeMessage(const std::string& text, const std::string& accepted,
                              const std::string& path) {
  return WithFileLine(
      "Valeur '" + text + "' hors des limites acceptées par la fenêtre de réglage : " + accepted,
      path);
}

}  // namespace vantor
