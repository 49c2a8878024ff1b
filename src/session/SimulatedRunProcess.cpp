// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/SimulatedRunProcess.h"

#include "card/SimulatedCard.h"
#include "common/Numbers.h"
#include "simulation/SimulationProfile.h"

namespace vantor {

RunProcess SimulatedRunProcess(SimulatedCard& card, std::optional<double> loadStart) {
  RunProcess p;
  p.Name = card.Process().Description();
  p.Profile = ProfileWord(card.Process().Profile());
  if (card.LoadVolts() != 0 && card.LoadWasApplied()) {
    const std::string volts = FormatShort(card.LoadVolts()) + " V";
    p.Load = loadStart ? volts + " à " + FormatShort(*loadStart) + " s"
                       : volts + " au bouton « Perturbation »";
  }
  return p;
}

}  // namespace vantor
