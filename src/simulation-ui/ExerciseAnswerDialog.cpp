// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation-ui/ExerciseAnswerDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "common/Numbers.h"
#include "simulation/ProcessRegistry.h"
#include "widgets/ErrorReport.h"
#include "widgets/NumberField.h"
#include "widgets/QtText.h"

namespace vantor {

ExerciseAnswerDialog::ExerciseAnswerDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("FormReponseExercice");
  setWindowTitle("Réponse à l'exercice");
  auto* column = new QVBoxLayout(this);
  auto* help = new QLabel(
      "Identifiez le procédé de l'exercice (menu «\u00a0Simulation\u00a0», «\u00a0Procédé "
      "de l'exercice\u00a0», puis un échelon en boucle ouverte et «\u00a0Identification du "
      "procédé…\u00a0»), puis tapez les valeurs trouvées (4.2 ou 4,2) et "
      "«\u00a0Vérifier\u00a0».",
      this);
  help->setWordWrap(true);
  column->addWidget(help);
  auto* form = new QFormLayout();
  EditGain = new QLineEdit(this);
  EditGain->setObjectName("EditReponseK");
  LabelGain = new QLabel(this);
  form->addRow(LabelGain, EditGain);
  EditTime = new QLineEdit(this);
  EditTime->setObjectName("EditReponseT");
  LabelTime = new QLabel("Constante de temps T (s)", this);
  form->addRow(LabelTime, EditTime);
  EditDelay = new QLineEdit(this);
  EditDelay->setObjectName("EditReponseRetard");
  form->addRow("Retard (s, moyenne du retour comprise)", EditDelay);
  column->addLayout(form);
  LabelVerdict = new QLabel(this);
  LabelVerdict->setObjectName("LabelVerdict");
  LabelVerdict->setWordWrap(true);
  column->addWidget(LabelVerdict);
  auto* buttons = new QHBoxLayout();
  ButtonCheck = new QPushButton("Vérifier", this);
  ButtonCheck->setObjectName("ButtonVerifier");
  ButtonCheck->setDefault(true);
  auto* close = new QPushButton("Fermer", this);
  close->setObjectName("ButtonFermer");
  buttons->addWidget(ButtonCheck);
  buttons->addWidget(close);
  column->addLayout(buttons);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  ConnectGuarded(
      ButtonCheck, &QPushButton::clicked, this,
      [this] {
        if (Check) Check();
      },
      this);
}

void ExerciseAnswerDialog::Prepare(const Exercise& exercise) {
  const ProcessKind* kind = FindProcessKind(exercise.Process);
  integrator_ = kind != nullptr && !kind->TakesValue("constante-temps");
  LabelGain->setText(integrator_ ? "Gain intégrateur k (1/s)" : "Gain statique K (V/V)");
  if (kind != nullptr && kind->TakesValue("ordre"))
    LabelTime->setText("Constante de temps T de chaque premier ordre (s)");
  else
    LabelTime->setText("Constante de temps T (s)");
  LabelTime->setVisible(!integrator_);
  EditTime->setVisible(!integrator_);
}

ExerciseAnswer ExerciseAnswerDialog::Typed() const {
  ExerciseAnswer a;
  a.Gain = ReadNumberField(EditGain, integrator_ ? "Gain k" : "Gain K", "1.5");
  if (!integrator_) a.TimeConstant = ReadNumberField(EditTime, "Constante de temps T", "4.2");
  a.Delay = ReadNumberField(EditDelay, "Retard", "0.8");
  return a;
}

void ExerciseAnswerDialog::ShowVerdict(const Exercise& exercise, const ExerciseVerdict& verdict) {
  const QString tolerance = ToQString(FormatShort(exercise.TolerancePercent));
  QString text;
  for (const ExerciseVerdict::Item& i : verdict.Items)
    text += QString("%1 = %2 : %3 %4 %.<br>")
                .arg(ToQString(i.Name), ToQString(FormatShort(i.Answer)),
                     i.Within ? "<b>juste</b>, dans la tolérance de"
                              : "<b>à revoir</b>, hors de la tolérance de",
                     tolerance);
  text += verdict.AllWithin() ? "Bravo : le procédé est identifié."
                              : "Reprenez l'identification des valeurs à revoir.";
  LabelVerdict->setText(text);
  adjustSize();  // the verdict's lines in view
}

}  // namespace vantor
