// Régulateur Vantor on the acquisition card's hardware ports.
#include <QApplication>

#include "StartFolder.h"
#include "TerminationHandling.h"
#include "Windows.h"
#include "WorkstationCard.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vantor::SetUpApplication(app);
  if (!vantor::StartInWorkingFolder(argc, argv)) return 1;
  auto windows = vantor::CreateWindows(vantor::HardwareWorkstationCard());
  vantor::EndAtRestOnSignals(*windows.Form1, "regulateur-vantor");
  windows.Form1->show();
  return app.exec();
}
