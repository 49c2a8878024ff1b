#include "Windows.h"

#include <QApplication>
#include <QFont>

#if __has_include("Uaideexperimentale.h")
#include "Uaideexperimentale.h"
#define VANTOR_HAVE_TOKBottomDlg1 1
#endif
#if __has_include("Uanalyse.h")
#include "Uanalyse.h"
#define VANTOR_HAVE_TForm2 1
#endif
#if __has_include("Uapropos.h")
#include "Uapropos.h"
#define VANTOR_HAVE_TAboutBox 1
#endif
#if __has_include("Umethregpas.h")
#include "Umethregpas.h"
#define VANTOR_HAVE_TForm3 1
#endif
#if __has_include("Upass.h")
#include "Upass.h"
#define VANTOR_HAVE_TFormpass 1
#endif
#if __has_include("Ureglage.h")
#include "Ureglage.h"
#define VANTOR_HAVE_TForm4 1
#endif
#if __has_include("Utechno.h")
#include "Utechno.h"
#define VANTOR_HAVE_TOKBottomDlg2 1
#endif

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
  // The main window first: its creation runs the start-up. The others belong to it
  // and live, hidden between showings, until the program ends.
  w.Form1 = std::make_unique<TForm1>(std::move(openBus));
  [[maybe_unused]] TForm1& f = *w.Form1;
#ifdef VANTOR_HAVE_TForm2
  f.Form2 = new TForm2(f);
#endif
#ifdef VANTOR_HAVE_TForm3
  f.Form3 = new TForm3(f);
#endif
#ifdef VANTOR_HAVE_TOKBottomDlg1
  f.OKBottomDlg1 = new TOKBottomDlg1(f);
#endif
#ifdef VANTOR_HAVE_TAboutBox
  f.AboutBox = new TAboutBox(f);
#endif
#ifdef VANTOR_HAVE_TForm4
  f.Form4 = new TForm4(f);
#endif
#ifdef VANTOR_HAVE_TFormpass
  f.Formpass = new TFormpass(f);
#endif
#ifdef VANTOR_HAVE_TOKBottomDlg2
  f.OKBottomDlg2 = new TOKBottomDlg2(f);
#endif
  return w;
}

}  // namespace vantor
