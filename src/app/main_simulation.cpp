// Régulateur Vantor on the simulated card (DC motor), in real time: what a newcomer
// runs first on a machine without the acquisition card.
#include <QApplication>

#include "Clock.h"
#include "SimulatedCard.h"
#include "SimulationMenu.h"
#include "TerminationHandling.h"
#include "TrialsMenu.h"
#include "Windows.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vantor::SetUpApplication(app);
  vantor::RealClock clock;
  vantor::SimulatedCard card(clock);  // position motor behind the factory addresses
  auto windows = vantor::CreateWindows(
      [&card](std::uint16_t, std::uint16_t) -> vantor::PortBus& { return card; });
  new vantor::SimulationMenu(*windows.Form1, card);
  vantor::EndAtRestOnSignals(*windows.Form1, "regulateur-vantor-simulation", false);
  windows.Form1->Trials->ProcessName = [&card] { return card.Process().Name(); };
  windows.Form1->show();
  return app.exec();
}
