// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the workstations choose their card.
#include "CardFactory.h"

namespace vantor {

class SimulatedCard;

// The hardware workstation's card: the ISA card on the machine's own ports.
CardOpener HardwareWorkstationCard();
// The simulated workstation's card: the ISA card's register map on the simulated card.
CardOpener SimulatedWorkstationCard(SimulatedCard& card);

}  // namespace vantor
