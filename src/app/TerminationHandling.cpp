// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TerminationHandling.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <string>

#include "common/TerminationSignals.h"
#include "mainwindow/Uvantorwin.h"

namespace vantor {

void EndAtRestOnSignals(TForm1& form1, const char* program) {
  TerminationSignals::Install(program);
  const int fd = TerminationSignals::NotifyDescriptor();
  if (fd < 0) return;
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &form1);
  const std::string name = program;
  QObject::connect(notifier, &QSocketNotifier::activated, &form1, [&form1, notifier, fd, name] {
    char bytes[16];
    while (::read(fd, bytes, sizeof bytes) > 0) {
    }
    const int signal = TerminationSignals::Pending();
    if (signal == 0) return;
    notifier->setEnabled(false);
    // A run in progress leaves its cycle at the next stop test, as after "Fin".
    form1.State.StopRequested = 1;
    if (AcquisitionCard* card = form1.Card()) {
      try {
        card->PutOutputsAtRest();
      } catch (...) {
        // A card that no longer answers: nothing more can be done from here.
      }
    }
    std::fprintf(stderr, "%s\n", TerminationSignals::RestLine(name, signal).c_str());
    std::fflush(stderr);
    QCoreApplication::exit(TerminationSignals::ExitStatus(signal));
  });
}

}  // namespace vantor
