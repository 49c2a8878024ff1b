// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkstationCard.h"

#include <cstdio>

#include "card/SimulatedCard.h"
#include "common/VantorError.h"
#include "widgets/ErrorReport.h"

namespace vantor {

CardOpener HardwareWorkstationCard(std::optional<CardChoice> commandLine) {
  return [commandLine](std::int32_t adr1, std::int32_t adr2) -> std::unique_ptr<AcquisitionCard> {
    return OpenCard(commandLine ? *commandLine : ReadCardSetting(""), adr1, adr2);
  };
}

bool CardFromCommandLine(int argc, const char* const* argv, std::optional<CardChoice>& choice) {
  return Guarded(nullptr, [&] {
    try {
      choice = CardOption(argc, argv);
    } catch (const VantorError& e) {
      std::fprintf(stderr, "%s\n", ErrorBoxText(e.what()).c_str());
      throw;
    }
  });
}

CardOpener SimulatedWorkstationCard(SimulatedCard& card) {
  return OpenerOf(CardChoice::OnBus(card));
}

}  // namespace vantor
