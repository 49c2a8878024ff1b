// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's start-up, its menu commands, the main chart's cursor, zoom and
// printout, and closing. Its construction is in MainWindowBuild.cpp, its part in a run in
// MainWindowRun.cpp.
#include "mainwindow/Uvantorwin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLayout>
#include <QLocale>
#include <algorithm>
#include <clocale>

#include "card/CardLock.h"
#include "common/Numbers.h"
#include "common/SettingsStore.h"
#include "common/VantorError.h"
#include "lesson/TraceChart.h"
#include "mainwindow/ControlLawsMenu.h"
#include "mainwindow/IdentificationMenu.h"
#include "mainwindow/TrialsMenu.h"
#include "regulation/PrintCaption.h"
#include "regulation/StartUp.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/HourglassCursor.h"
#include "widgets/Printer.h"
#include "widgets/QtText.h"

namespace vantor {

TForm1::~TForm1() {
  // The menus observe the session and the run events: they go while both are still there
  // (the window's widgets, layout and actions go with the window).
  std::vector<QPointer<QObject>> menus;
  for (QObject* child : children())
    if (!child->isWidgetType() && !qobject_cast<QLayout*>(child) && !qobject_cast<QAction*>(child))
      menus.emplace_back(child);
  for (const QPointer<QObject>& menu : menus) delete menu.data();
}

AcquisitionCard& TForm1::RequireCard() {
  if (!Card())
    throw VantorError(
        "La carte d'acquisition n'a pas été initialisée au démarrage du programme : corrigez la "
        "cause signalée au démarrage (fichiers de réglage, adresses, accès aux ports), puis "
        "relancez le programme");
  return *Card();
}

// ---------------------------------------------------------------------------------
// Start-up. A failing step throws; the wrapper around FormCreate reports it and every
// later step is skipped, the window still opening with what was set so far.

void TForm1::FormCreate() {
  // The start-up sequence itself is the engine's; the window opens the card's bus when
  // the sequence asks for it and writes its captions as each step is done.
  struct Observer : StartUpObserver {
    explicit Observer(TForm1& form) : f(form) {}
    AcquisitionCard& OpenCard(std::int32_t adr1, std::int32_t adr2) override {
      f.ADR1 = adr1;
      f.ADR2 = adr2;
      try {
        f.session_->SetCard(f.openCard_(adr1, adr2));
      } catch (const CardInUse&) {
        f.cardHeldElsewhere_ = true;
        throw;
      }
      return *f.Card();
    }
    void StepDone(StartUpStep step) override {
      // The steps that read a teacher's range (12, 14, 15, 17, 21-23) show it by its field.
      static const std::pair<StartUpStep, OperatingRange> kRangeSteps[] = {
          {StartUpStep::StepLimit, OperatingRange::StepAmplitude},
          {StartUpStep::MeanLimits, OperatingRange::PeriodicMean},
          {StartUpStep::AmplitudeLimit, OperatingRange::PeriodicAmplitude},
          {StartUpStep::OrderLimits, OperatingRange::OrderLimits},
          {StartUpStep::KpRange, OperatingRange::Kp},
          {StartUpStep::KdRange, OperatingRange::Kd},
          {StartUpStep::KiRange, OperatingRange::Ki}};
      for (const auto& [rangeStep, range] : kRangeSteps)
        if (step == rangeStep) f.ShowRange(range);
      switch (step) {
        case StartUpStep::CardAtRest:  // 8.
          f.Inactive1->setEnabled(false);
          f.Active1->setEnabled(true);
          break;
        case StartUpStep::GainsCleared:  // 10.
          f.Edit1->setText("0");
          f.Edit3->setText("0");
          f.Edit2->setText("0");
          break;
        case StartUpStep::SetpointPanels:  // 18.
          f.Panel11->setVisible(false);
          f.Panel14->setVisible(false);
          f.Panel17->setVisible(false);
          f.Panel15->SetCaption(ToQString(f.State.SetpointCaption));
          break;
        case StartUpStep::LoopClosed:  // 20.
          f.Label9->setText("Boucle fermée");
          f.ferme1->setEnabled(false);
          break;
        default:  // the ranges, above, and the steps that change nothing shown
          break;
      }
    }
    TForm1& f;
  } observer(*this);

  // 1. "." as decimal separator for everything the program reads and writes (the
  // sequence sets the C library's; the window's own locale is set here).
  QLocale::setDefault(QLocale::c());
  StartupFields fields;
  RunStartUp(State, observer, "", fields);
}

// ---------------------------------------------------------------------------------
// Menus

void TForm1::ShowModal(QDialog* dialog) {
  if (!dialog) return;
  Dialogs::Current().Exec(*dialog);
}

void TForm1::ShowModeless(QDialog* dialog) {
  if (!dialog) return;
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void TForm1::Reglagedesplagesdefonctionnement1Click() {
  passwordPurpose = 0;
  ShowModal(Formpass);
}

void TForm1::Changermotdepasse1Click() {
  passwordPurpose = 1;
  ShowModal(Formpass);
}

void TForm1::RequireTeacherPassword(std::function<void()> granted) {
  passwordPurpose = 3;
  teacherAction = std::move(granted);
  ShowModal(Formpass);
  teacherAction = nullptr;
}

void TForm1::RequireUnlockablePassword(std::function<void()> granted) {
  if (sessionUnlocked_) {
    granted();
    return;
  }
  RequireTeacherPassword(std::move(granted));
}

void TForm1::Deverrouillerpourlaseance1Click() {
  passwordPurpose = static_cast<std::uint8_t>(PasswordPurpose::SessionUnlock);
  teacherAction = [this] { SetSessionUnlocked(true); };
  ShowModal(Formpass);
  teacherAction = nullptr;
}

void TForm1::Verrouiller1Click() {
  SetSessionUnlocked(false);
}

void TForm1::SetSessionUnlocked(bool unlocked) {
  sessionUnlocked_ = unlocked;
  Deverrouillerpourlaseance1->setEnabled(!unlocked);
  Verrouiller1->setEnabled(unlocked);
}

void TForm1::ouverte1Click() {
  if (sessionUnlocked_) {
    SwitchToOpenLoop();
    return;
  }
  passwordPurpose = 2;
  ShowModal(Formpass);
}

void TForm1::ferme1Click() {
  SetLoopMode(false);
}

void TForm1::SetLoopMode(bool open) {
  State.LoopMode = open ? "Ouv" : "fermée";
  Label9->setText(open ? "Boucle ouverte" : "Boucle fermée");
  ferme1->setEnabled(open);
  ouverte1->setEnabled(!open);
}

void TForm1::Active1Click() {
  RequireCard().WriteOutput1(kFullScaleCount);
  Inactive1->setEnabled(true);
  Active1->setEnabled(false);
}

void TForm1::Inactive1Click() {
  RequireCard().WriteOutput1(kOutput1RestCount);
  Inactive1->setEnabled(false);
  Active1->setEnabled(true);
}

void TForm1::analyse1Click() {
  ShowModal(Form2);
}
void TForm1::Mthodederglage1Click() {
  ShowModeless(Form3);
}

void TForm1::ShowHelpViewer(const char* topic) {
  helpTopic = topic;
  ShowModeless(OKBottomDlg1);
}

void TForm1::Configurationmatrielle1Click() {
  ShowHelpViewer("materiel");
}
void TForm1::Paramtrage1Click() {
  ShowHelpViewer("parametrage");
}
void TForm1::Miseenoeuvredulogiciel1Click() {
  ShowHelpViewer("miseoeuvre");
}
void TForm1::Button7Click() {
  ShowHelpViewer("souris");
}
void TForm1::Travauxpratiques1Click() {
  ShowHelpViewer("travauxpratiques");
}

void TForm1::Exemplebranchementsasservissementdeposition1Click() {
  helpTopic = "position";
  ShowModeless(OKBottomDlg2);
}

void TForm1::ExemplebranchementsasservissementdevitessemoteurCC1Click() {
  helpTopic = "vitesse";
  ShowModeless(OKBottomDlg2);
}

void TForm1::Choixdutypedergulation1Click() {
  helpTopic = "ressources";
  if (OKBottomDlg1 && OKBottomDlg1->isVisible())
    throw VantorError("Impossible de rendre modale une fenêtre visible");
  ShowModal(OKBottomDlg1);
}

void TForm1::Apropos1Click() {
  ShowModal(AboutBox);
}

// ---------------------------------------------------------------------------------
// Trace chart

void TForm1::Chart1MouseMove(Qt::KeyboardModifiers, int x, int y) {
  if (!Chart1->ChartRect().contains(x, y)) return;
  const QPointF v = Chart1->CursorToValues();
  Label15->setText(ToQString(FormatReadout(v.y() - zeroY)) + " /" +
                   ToQString(FormatReadout(v.x() - zeroX)));
}

void TForm1::Chart1DblClick() {
  Series15->Clear();
  Series17->Clear();
  const QPointF v = Chart1->CursorToValues();
  zeroX = v.x();
  zeroY = v.y();
  Series15->AddXY(zeroX, Chart1->LeftAxis().Minimum());
  Series15->AddXY(zeroX, Chart1->LeftAxis().Maximum());
  Series17->AddXY(Chart1->BottomAxis().Minimum(), zeroY);
  Series17->AddXY(Chart1->BottomAxis().Maximum(), zeroY);
  Chart1->update();
}

void TForm1::Button9Click() {
  Series15->Clear();
  Series17->Clear();
  zeroX = 0;
  zeroY = 0;
  Label15->setText(ToQString(FormatReadout(zeroY)) + " /" + ToQString(FormatReadout(zeroX)));
  Chart1->update();
}

void TForm1::BitBtn1Click() {
  Chart1->UndoZoom();
}

void TForm1::BitBtn2Click() {
  Printer& printer = Printer::Instance();
  printer.SuggestPdfName("trace");
  if (!Dialogs::Current().PrintDialog(this, printer)) return;
  HourglassCursor hourglass;
  // Portrait for this page; the remembered orientation comes back, and a job still open
  // after an error is aborted, on every way out.
  PrintJob job(printer, TPrinterOrientation::poPortrait);
  printer.SetCanvasFont("Arial", 10, false);
  DrawTracePage(printer.Canvas(), printer.Device(), *Chart1, printer.PageWidth(),
                printer.PageHeight(), Trials->TraceCaptionLines());
  job.End();
}

// ---------------------------------------------------------------------------------
// Closing

bool TForm1::FormCloseQuery() {
  if (!Dialogs::Current().Confirm(this, "Fermer le programme?")) return false;
  State.StopRequested = 1;
  if (AcquisitionCard* card = Card()) card->PutOutputsAtRest();
  return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  bool accept = closeConfirmed_;
  if (!accept && Dialogs::RunInProgress()) {
    // During a run the question must not hold the loop up: it is asked without an event
    // loop of its own, and the run goes on regulating until the answer comes.
    event->ignore();
    if (closeAsked_) return;
    closeAsked_ = true;
    Dialogs::Current().Ask(this, "Fermer le programme?", [this](bool ok) {
      closeAsked_ = false;
      if (!ok) return;
      Guarded(this, [this] {
        State.StopRequested = 1;
        if (AcquisitionCard* card = Card()) card->PutOutputsAtRest();
      });
      closeConfirmed_ = true;
      close();
    });
    return;
  }
  if (!accept) Guarded(this, [&] { accept = FormCloseQuery(); });
  if (!accept) {
    event->ignore();
    return;
  }
  event->accept();
  // The other windows may still be open: closing the main window ends the program.
  QCoreApplication::quit();
}

}  // namespace vantor
