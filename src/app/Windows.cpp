#include "Windows.h"

#include <QApplication>
#include <QFont>

namespace vantor {

void SetUpApplication(QApplication& app) {
  QApplication::setApplicationName("regulateur-vantor");
  QApplication::setApplicationDisplayName("Régulateur Vantor");
  QApplication::setApplicationVersion("1.1");
  // The forms are designed in "MS Sans Serif": use the closest font of the machine.
  QFont::insertSubstitutions("MS Sans Serif", {"DejaVu Sans", "Liberation Sans"});
  QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
  app.setQuitOnLastWindowClosed(true);
}

ProgramWindows CreateWindows(TForm1::BusOpener openBus) {
  ProgramWindows w;
  w.Form1 = std::make_unique<TForm1>(std::move(openBus));
  return w;
}

}  // namespace vantor
