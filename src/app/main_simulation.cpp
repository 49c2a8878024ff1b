// SPDX-License-Identifier: GPL-3.0-or-later
// Régulateur Vantor on the simulated card (DC motor), in real time: what a newcomer
// runs first on a machine without the acquisition card.
#include <QApplication>

#include "app/StartFolder.h"
#include "app/TerminationHandling.h"
#include "app/Windows.h"
#include "app/WorkstationCard.h"
#include "card/SimulatedCard.h"
#include "common/Numbers.h"
#include "simulation-ui/SimulationLoadDialog.h"
#include "simulation-ui/SimulationMenu.h"
#include "simulation/Clock.h"
#include "simulation/ProcessRegistry.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vantor::SetUpApplication(app);
  // Qt has taken its own options (-platform, -style…) out of argv: the rest is ours.
  if (int status = 0;
      !vantor::AcceptCommandLine(argc, argv, "regulateur-vantor-simulation", {false}, status))
    return status;
  if (!vantor::StartInWorkingFolder(argc, argv)) return 1;
  vantor::RealClock clock;
  // The position motor behind the factory addresses, as a bench motor behaves: noisy
  // sensor, dry friction (the "Simulation" menu switches to the ideal motor).
  auto motor = vantor::MakeProcess("position");
  motor->ApplyProfile(vantor::SimulationProfile::Realistic);
  vantor::SimulatedCard card(clock, std::move(motor));
  auto windows = vantor::CreateWindows(vantor::SimulatedWorkstationCard(card));
  new vantor::SimulationMenu(*windows.Form1, card);  // the bench's process, for its runs
  vantor::EndAtRestOnSignals(*windows.Form1, "regulateur-vantor-simulation");
  windows.Form1->show();
  return app.exec();
}
