// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the windows around it see it (Workstation): the places where they
// add their commands, the ranges the settings window changes, what the password window
// opens, the run shown.
#include <QMenuBar>
#include <QVBoxLayout>

#include "common/Numbers.h"
#include "mainwindow/TrialsMenu.h"
#include "mainwindow/Uvantorwin.h"
#include "widgets/QtText.h"

namespace vantor {

QMenu* TForm1::AddMenu(const QString& title) {
  return menuBar()->addMenu(title);
}

void TForm1::AddStatusLine(QWidget* line) {
  QWidget* column = Label9->parentWidget();
  line->setParent(column);
  if (auto* layout = qobject_cast<QVBoxLayout*>(column->layout()))
    layout->insertWidget(layout->indexOf(Label9) + 1, line);
}

void TForm1::AddLiveTraceControl(QWidget* control) {
  Trials->LiveView()->AddControl(control);
}

void TForm1::ShowRange(OperatingRange range) {
  const RegulationState& s = State;
  switch (range) {
    case OperatingRange::StepAmplitude:
      Label4->setText("Amplitude (0 à " + ShortText(s.finalech) + ")");
      break;
    case OperatingRange::OrderLimits:
      Label16->setText("Limites de l'ordre de commande:" + ShortText(s.ordremini) + "volts / " +
                       ShortText(s.ordremaxi) + "volts");
      break;
    case OperatingRange::PeriodicAmplitude:
      Label14->setText("Amplitude (0.1 à " + ShortText(s.amplimaxi) + ")");
      Edit7->setText("0.1");
      break;
    case OperatingRange::PeriodicMean:
      Label7->setText("Valeur moyenne: (" + ShortText(s.valmoymini) + "à" +
                      ShortText(s.valmoymaxi) + ")");
      Edit6->setText(ShortText(s.valmoymini));
      break;
    case OperatingRange::Kp:
      Label3->setText("Kp (0 à " + QString::number(s.kpmax) + ")");
      break;
    case OperatingRange::Kd:
      Label5->setText("Kd (0 à " + QString::number(s.kdmax) + ") en seconde");
      break;
    case OperatingRange::Ki:
      Label6->setText("Ki (0 à " + QString::number(s.kimax) + ") en (1/seconde)");
      break;
  }
}

void TForm1::RangeChanged(OperatingRange range) {
  // A new step limit brings the step's amplitude to three quarters of it, rounded.
  if (range == OperatingRange::StepAmplitude)
    Edit5->setText(
        ToQString(FormatShort(static_cast<long double>(RoundHalfEven(State.finalech * 0.75L)))));
  ShowRange(range);
}

std::string TForm1::ShownRunCaption() const {
  return Trials->ShownRunCaption();
}

void TForm1::ReportExerciseWith(std::function<std::vector<std::string>()> lines) {
  if (Trials) Trials->ReportExercise = std::move(lines);
}

PasswordPurpose TForm1::PasswordAskedFor() const {
  return static_cast<PasswordPurpose>(passwordPurpose);
}

std::function<void()> TForm1::TakeTeacherAction() {
  std::function<void()> action = std::move(teacherAction);
  teacherAction = nullptr;
  return action;
}

void TForm1::ShowSettings() {
  ShowModal(Form4);
}

void TForm1::SwitchToOpenLoop() {
  SetLoopMode(true);
}

}  // namespace vantor
