// Régulateur Vantor on the acquisition card's hardware ports.
#include <QApplication>
#include <memory>

#include "HardwarePorts.h"
#include "StartFolder.h"
#include "TerminationHandling.h"
#include "Windows.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vantor::SetUpApplication(app);
  if (!vantor::StartInWorkingFolder(argc, argv)) return 1;
  std::unique_ptr<vantor::HardwarePorts> ports;
  auto windows =
      vantor::CreateWindows([&ports](std::uint16_t adr1, std::uint16_t adr2) -> vantor::PortBus& {
        ports = vantor::HardwarePorts::Open(adr1, adr2);
        return *ports;
      });
  vantor::EndAtRestOnSignals(*windows.Form1, "regulateur-vantor", true);
  windows.Form1->show();
  return app.exec();
}
