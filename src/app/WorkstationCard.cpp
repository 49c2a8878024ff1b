// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkstationCard.h"

#include "SimulatedCard.h"

namespace vantor {

CardOpener HardwareWorkstationCard() {
  return
      [](std::int32_t adr1, std::int32_t adr2) { return OpenIsaCardOnHardwarePorts(adr1, adr2); };
}

CardOpener SimulatedWorkstationCard(SimulatedCard& card) {
  return IsaCardOpener(card);
}

}  // namespace vantor
