// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated workstation as regulateur-vantor-simulation builds it, with every port
// access written to a log, starting a step run with output 1 active as soon as it is
// shown: the tests stop it with a signal in the middle of that run and read the log.
// Usage: workstation_child PORT_LOG (from a working folder holding sauvegarde/).
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/TerminationHandling.h"
#include "app/Windows.h"
#include "card/SimulatedCard.h"
#include "lot/PortLogBus.h"
#include "simulation/Clock.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  QApplication app(argc, argv);
  vantor::SetUpApplication(app);
  std::FILE* log = std::fopen(argv[1], "w");
  if (!log) return 2;
  std::setvbuf(log, nullptr, _IOLBF, 0);  // the test follows the run through the log
  vantor::RealClock clock;
  vantor::SimulatedCard card(clock);
  vantor::PortLogBus bus(card, log);
  auto windows = vantor::CreateWindows(vantor::IsaCardOpener(bus));
  vantor::EndAtRestOnSignals(*windows.Form1, "regulateur-vantor-simulation");
  vantor::TForm1& f = *windows.Form1;
  QTimer::singleShot(0, &f, [&f] {
    f.Active1->trigger();
    f.Button1->click();  // step setpoint
    f.Edit1->setText("2");
    f.Button5->click();  // "Début": the run lasts until the signal
  });
  f.show();
  const int status = app.exec();
  std::fclose(log);
  return status;
}
