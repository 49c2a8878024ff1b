// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated workstation as regulateur-vantor-simulation builds it, with every port
// access written to a log, starting a step run with output 1 active as soon as it is
// shown: the tests stop it with a signal in the middle of that run and read the log.
// Usage: workstation_child PORT_LOG (from a working folder holding sauvegarde/).
//
// With "--fichier-limite FILE", set up as the workstations are, it saves a run to FILE
// under a file size limit of 4 kB (ulimit -f) and writes the message it got on standard
// output: the tests check that the limit fails the write instead of ending the program.
#include <sys/resource.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/TerminationHandling.h"
#include "app/Windows.h"
#include "card/SimulatedCard.h"
#include "common/VantorError.h"
#include "lot/PortLogBus.h"
#include "regulation/RunFile.h"
#include "simulation/Clock.h"

namespace {

int SaveUnderFileSizeLimit(const char* path) {
  const rlimit limit{4096, 4096};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
  auto run = std::make_unique<vantor::Trial>();
  try {
    vantor::WriteRunFile(path, *run);
  } catch (const vantor::VantorError& e) {
    std::printf("%s\n", vantor::ErrorBoxText(e.what()).c_str());
    return 0;
  }
  return 3;  // written whole: the limit did not apply
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 3 && std::strcmp(argv[1], "--fichier-limite") == 0)) return 2;
  QApplication app(argc, argv);
  vantor::SetUpApplication(app);
  if (argc == 3) return SaveUnderFileSizeLimit(argv[2]);
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
