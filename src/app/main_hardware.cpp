// SPDX-License-Identifier: GPL-3.0-or-later
// Régulateur Vantor on a real card: the ISA card on the machine's ports or the USB
// interface board, as the teacher chose (settings window, or --carte).
#include <QApplication>

#include "app/StartFolder.h"
#include "app/TerminationHandling.h"
#include "app/Windows.h"
#include "app/WorkstationCard.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vantor::SetUpApplication(app);
  // Qt has taken its own options (-platform, -style…) out of argv: the rest is ours.
  if (int status = 0;
      !vantor::AcceptCommandLine(argc, argv, "regulateur-vantor", {true}, status))
    return status;
  std::optional<vantor::CardChoice> card;
  if (!vantor::CardFromCommandLine(argc, argv, card)) return 1;
  if (!vantor::StartInWorkingFolder(argc, argv)) return 1;
  auto windows = vantor::CreateWindows(vantor::HardwareWorkstationCard(card));
  // Refused because another program holds the card: its message has been shown, and a
  // main window that could not reach the card would only be in the way.
  if (windows.Form1->CardHeldElsewhere()) return 1;
  vantor::EndAtRestOnSignals(*windows.Form1, "regulateur-vantor");
  vantor::ShowCardInUse(windows);
  windows.Form1->show();
  return app.exec();
}
