// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the workstations choose their card.
#include <optional>

#include "card/CardFactory.h"

namespace vantor {

class SimulatedCard;

// The hardware workstation's card, as `commandLine` (--carte) or else the teacher's
// setting (sauvegarde/carte.rtf, read at start-up step 4) chooses it: the ISA card on the
// machine's own ports, or the USB interface board.
CardOpener HardwareWorkstationCard(std::optional<CardChoice> commandLine);
// Reads --carte from the command line into `choice`. False when its word is not a card:
// the reason was shown in the error box and written on the error output, and the program
// must end.
bool CardFromCommandLine(int argc, const char* const* argv, std::optional<CardChoice>& choice);

// The simulated workstation's card: the ISA card's register map on the simulated card.
CardOpener SimulatedWorkstationCard(SimulatedCard& card);

}  // namespace vantor
