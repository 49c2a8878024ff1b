// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/SimulationProfile.h"

namespace vantor {

std::optional<SimulationProfile> ParseProfile(const std::string& word) {
  if (word == "idéal" || word == "ideal") return SimulationProfile::Ideal;
  if (word == "réaliste" || word == "realiste") return SimulationProfile::Realistic;
  return std::nullopt;
}

std::string ProfileWord(SimulationProfile profile) {
  return profile == SimulationProfile::Realistic ? "réaliste" : "idéal";
}

}  // namespace vantor
