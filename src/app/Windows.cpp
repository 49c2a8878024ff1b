// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Windows.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <csignal>

#include "analysis/Uanalyse.h"
#include "docs/Uaideexperimentale.h"
#include "docs/Uapropos.h"
#include "docs/Umethregpas.h"
#include "docs/Utechno.h"
#include "settings/Upass.h"
#include "settings/Ureglage.h"
#include "common/Version.h"
#include "widgets/DialogMinimising.h"
#include "widgets/FrenchTranslations.h"

namespace vantor {

void SetUpApplication(QApplication& app) {
  // A file size limit (ulimit -f) makes the write that passes it fail, and the message
  // say so ("fichier trop grand pour le système"), instead of ending the program in the
  // middle of a session. Ignored before the card's crash rest is armed, which then
  // leaves the signal alone.
  std::signal(SIGXFSZ, SIG_IGN);
  // The title of the message boxes. No display name is set: the window system would
  // append it to every window title.
  QApplication::setApplicationName("Régulateur Vantor");
  QApplication::setApplicationVersion(kProgramVersion);
  // The forms are designed in "MS Sans Serif": use the closest font of the machine.
  QFont::insertSubstitutions("MS Sans Serif", {"DejaVu Sans", "Liberation Sans"});
  QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
  app.setQuitOnLastWindowClosed(true);
  // The desktop entry of the program that runs (one per workstation) and its icon, so
  // that docks and task bars show the windows under the menu entry they came from.
  QGuiApplication::setDesktopFileName(
      QFileInfo(QCoreApplication::applicationFilePath()).fileName());
  QApplication::setWindowIcon(QIcon::fromTheme("regulateur-vantor"));
  InstallFrenchTranslations(app);
  KeepDialogsFromHidingTheProgram(app);
}

ProgramWindows CreateWindows(CardOpener openCard) {
  ProgramWindows w;
  // The main window first: its creation runs the start-up. The others belong to it
  // and live, hidden between showings, until the program ends.
  w.Form1 = std::make_unique<TForm1>(std::move(openCard));
  TForm1& f = *w.Form1;
  f.Form2 = new TForm2(f);
  f.Form3 = new TForm3(f);
  f.OKBottomDlg1 = new TOKBottomDlg1(f);
  f.AboutBox = new TAboutBox(f);
  f.Form4 = new TForm4(f);
  f.Formpass = new TFormpass(f);
  f.OKBottomDlg2 = new TOKBottomDlg2(f);
  return w;
}

void ShowCardInUse(ProgramWindows& windows) {
  TForm1& f = *windows.Form1;
  const AcquisitionCard* card = f.Card();
  if (!card) return;
  const QString text = QString::fromStdString(card->Description());
  f.setWindowTitle(f.windowTitle() + " — " + text);
  static_cast<TAboutBox*>(f.AboutBox)->ShowCard(text);  // made by CreateWindows
}

}  // namespace vantor
