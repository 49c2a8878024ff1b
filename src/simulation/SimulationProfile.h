// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How close to a bench motor a simulated process is. `Ideal` is the clean textbook plant
// (little measurement noise, no friction); `Realistic` adds what a real bench shows: sensor
// noise and tachometer ripple, a dry-friction dead zone, a position motor resting off its
// end stop. Each process model gives its own values for both.
#include <optional>
#include <string>

namespace vantor {

enum class SimulationProfile { Ideal, Realistic };

// Accepts "idéal", "ideal", "réaliste" and "realiste"; nothing for any other word.
std::optional<SimulationProfile> ParseProfile(const std::string& word);
// "idéal" or "réaliste", as runs and captions name a profile.
std::string ProfileWord(SimulationProfile profile);

}  // namespace vantor
