// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the regulation loop's host: the gain and setpoint fields, the run
// controls, the status line and the gauges, one turn of the window system per cycle, and
// the setpoint buttons.
#include <QApplication>
#include <QCoreApplication>

#include "lesson/TraceChart.h"
#include "mainwindow/IdentificationMenu.h"
#include "mainwindow/TrialsMenu.h"
#include "mainwindow/Uvantorwin.h"
#include "regulation/StartUp.h"
#include "widgets/Dialogs.h"
#include "widgets/QtText.h"

namespace vantor {


// ---------------------------------------------------------------------------------
// The run

GainFields TForm1::GainFieldTexts() const {
  return {ToStdString(Edit1->text()), ToStdString(Edit2->text()), ToStdString(Edit3->text())};
}

void TForm1::SetGainFieldTexts(const GainFields& f) {
  Edit1->setText(ToQString(f.Edit1));
  Edit2->setText(ToQString(f.Edit2));
  Edit3->setText(ToQString(f.Edit3));
}

void TForm1::demregClick() {
  // One run at a time: a tool that starts runs (sweep, relay test) reached from inside a
  // run's message turn does not start a second one within it.
  if (runInProgress_) return;
  GainFields fields = GainFieldTexts();
  try {
    ReadGains(State, fields);
  } catch (...) {
    SetGainFieldTexts(fields);
    throw;
  }
  SetGainFieldTexts(fields);
  AcquisitionCard& card = RequireCard();
  RunRegulation(State, card, *this, Events);
}

void TForm1::arretregClick() {
  State.StopRequested = 1;
}

void TForm1::BeepAndMessage(const std::string& text) {
  Dialogs::Current().Beep();
  Dialogs::Current().Message(this, ToQString(text));
}

SetpointFields TForm1::GetSetpointFields() {
  return {ToStdString(Edit4->text()), ToStdString(Edit5->text()), ToStdString(Edit6->text()),
          ToStdString(Edit7->text())};
}

void TForm1::SetSetpointFields(const SetpointFields& f) {
  Edit4->setText(ToQString(f.Edit4));
  Edit5->setText(ToQString(f.Edit5));
  Edit6->setText(ToQString(f.Edit6));
  Edit7->setText(ToQString(f.Edit7));
}

void TForm1::SetRunControlsEnabled(bool enabled) {
  runInProgress_ = !enabled;
  // No dialog may hold the run's message turn up while it goes on.
  Dialogs::SetRunInProgress(!enabled);
  // Printing has no business during a run.
  BitBtn2->setEnabled(enabled);
  Panel4->setEnabled(enabled);
  Panel5->setEnabled(enabled);
  fichier1->menuAction()->setEnabled(enabled);
  analyse1->setEnabled(enabled);
  boucle1->menuAction()->setEnabled(enabled);
  Mthodederglage1->setEnabled(enabled);
  Aide1->menuAction()->setEnabled(enabled);
  Button5->setEnabled(enabled);
  // "Essais" stays open during a run for its live trace.
  Trials->SetRunInProgress(!enabled);
  for (QAction* a : disabledDuringRuns_)
    if (a) a->setEnabled(enabled);
}

void TForm1::DisableDuringRuns(QAction* action) {
  disabledDuringRuns_.emplace_back(action);
}

void TForm1::SetStatusText(const std::string& label1) {
  Label1->setText(ToQString(label1));
  // After a run, how many cycles came late; nothing while one is in progress.
  const bool ended = label1 == kStoppedText && State.Pacing.Cycles > 0;
  PacingLabel->setVisible(ended);
  if (ended) {
    QString text = ToQString(PacingText(State.Pacing));
    // What the card's link showed, on a card that has one to tell (the USB board).
    if (const AcquisitionCard* card = Card()) {
      const std::string report = card->RunReport();
      if (!report.empty()) text += "\n" + ToQString(report);
    }
    PacingLabel->setText(text);
    const LatenessLevel lateness = Lateness(State.Pacing);
    SetTextColor(PacingLabel, lateness == LatenessLevel::None  ? QColor(Qt::darkGreen)
                              : lateness == LatenessLevel::Few ? QColor(0xC0, 0x60, 0x00)
                                                               : QColor(Qt::red));
  }
}

void TForm1::SetGauges(std::int32_t setpointHundredths, std::int32_t feedbackHundredths) {
  Gauge1->SetProgress(setpointHundredths);
  Gauge3->SetProgress(setpointHundredths);
  Gauge2->SetProgress(feedbackHundredths);
  Gauge4->SetProgress(feedbackHundredths);
}

void TForm1::ProcessMessagesOnce() {
  QCoreApplication::processEvents();
}

const Trial& TForm1::ShownRun() const {
  if (const Trial* run = session_->ShownRun()) return *run;
  noRun_->SamplePeriodMs = State.SamplePeriodMs;
  return *noRun_;
}

void TForm1::PlotRecord() {
  if (!plot_) plot_ = std::make_unique<RecordPlot>();
  BuildRecordPlot(ShownRun(), *plot_);
  FillTraceSeries(*plot_, TraceSeries{Series1, Series2, Series3, Series15, Series17});
  Trials->RecordPlotted();
  Identification->RecordPlotted();
  Chart1->update();
}

// ---------------------------------------------------------------------------------
// Setpoint buttons

void TForm1::ApplySetpointButton(int button) {
  const SetpointButtonResult r = PressSetpointButton(State, RequireCard(), button);
  Panel15->SetCaption(ToQString(r.Panel15Caption));
  Panel14->setVisible(r.Shown == SetpointPanel::Panel14);
  Panel11->setVisible(r.Shown == SetpointPanel::Panel11);
  Panel17->setVisible(r.Shown == SetpointPanel::Panel17);
  if (r.Edit5) Edit5->setText(ToQString(*r.Edit5));
  if (r.Edit4) Edit4->setText(ToQString(*r.Edit4));
}

void TForm1::Button1Click() {
  ApplySetpointButton(1);
}
void TForm1::Button2Click() {
  ApplySetpointButton(2);
}
void TForm1::Button3Click() {
  ApplySetpointButton(3);
}
void TForm1::Button4Click() {
  ApplySetpointButton(4);
}
void TForm1::Button10Click() {
  ApplySetpointButton(10);
}


}  // namespace vantor
