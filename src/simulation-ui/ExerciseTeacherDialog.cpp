// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation-ui/ExerciseTeacherDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <random>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "simulation/ProcessRegistry.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/NumberField.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

// The processes an exercise hides: the models of identification, in the table's order.
const ProcessKind& ExerciseKind(int index) {
  return *IdentifiedModelKinds().at(static_cast<std::size_t>(std::max(0, index)));
}

QLineEdit* Field(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMinimumWidth(90);
  return e;
}

QString Text(double v) {
  return ToQString(FormatShort(v));
}

}  // namespace

ExerciseTeacherDialog::ExerciseTeacherDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("FormExerciceProfesseur");
  setWindowTitle("Exercice du professeur");
  auto* column = new QVBoxLayout(this);
  auto* help = new QLabel(
      "Chaque poste tire les paramètres de son procédé dans ces intervalles, d'après le "
      "numéro de l'exercice et le nom du poste : un poste garde le même procédé d'un "
      "lancement à l'autre, deux postes ont des procédés différents. L'élève le choisit par "
      "«\u00a0Simulation\u00a0» → «\u00a0Procédé de l'exercice\u00a0» et répond par "
      "«\u00a0Réponse à l'exercice…\u00a0». "
      "Un intervalle réduit à une valeur (min = max) fixe le paramètre.",
      this);
  help->setWordWrap(true);
  column->addWidget(help);
  auto* form = new QFormLayout();
  ComboProcess = new QComboBox(this);
  ComboProcess->setObjectName("ComboProcede");
  for (const ProcessKind* kind : IdentifiedModelKinds())
    ComboProcess->addItem(ToQString(kind->Label));
  form->addRow("Procédé caché", ComboProcess);
  EditNumber = Field(this, "EditNumero");
  form->addRow("Numéro de l'exercice", EditNumber);
  auto pair = [&](const char* label, QLineEdit*& min, const char* minName, QLineEdit*& max,
                  const char* maxName) {
    auto* row = new QHBoxLayout();
    min = Field(this, minName);
    max = Field(this, maxName);
    row->addWidget(new QLabel("de", this));
    row->addWidget(min);
    row->addWidget(new QLabel("à", this));
    row->addWidget(max);
    auto* title = new QLabel(label, this);
    form->addRow(title, row);
    return title;
  };
  LabelGain = pair("Gain statique K (V/V)", EditGainMin, "EditGainMin", EditGainMax, "EditGainMax");
  pair("Constante de temps T (s)", EditTimeMin, "EditTMin", EditTimeMax, "EditTMax");
  pair("Retard lu sur le retour (s)", EditDelayMin, "EditRetardMin", EditDelayMax, "EditRetardMax");
  pair("Ordre n (Strejc)", EditOrderMin, "EditOrdreMin", EditOrderMax, "EditOrdreMax");
  EditTolerance = Field(this, "EditTolerance");
  form->addRow("Tolérance des réponses (%)", EditTolerance);
  column->addLayout(form);
  LabelState = new QLabel(this);
  LabelState->setObjectName("LabelEtat");
  LabelState->setWordWrap(true);
  column->addWidget(LabelState);
  LabelRevealed = new QLabel(this);
  LabelRevealed->setObjectName("LabelRevele");
  LabelRevealed->setWordWrap(true);
  LabelRevealed->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(LabelRevealed);
  auto* buttons = new QHBoxLayout();
  ButtonSave = new QPushButton("Enregistrer l'exercice", this);
  ButtonSave->setObjectName("ButtonEnregistrer");
  ButtonReveal = new QPushButton("Révéler les paramètres de ce poste", this);
  ButtonReveal->setObjectName("ButtonReveler");
  ButtonRemove = new QPushButton("Supprimer l'exercice", this);
  ButtonRemove->setObjectName("ButtonSupprimer");
  ButtonClose = new QPushButton("Fermer", this);
  ButtonClose->setObjectName("ButtonFermer");
  for (QPushButton* b : {ButtonSave, ButtonReveal, ButtonRemove, ButtonClose})
    buttons->addWidget(b);
  column->addLayout(buttons);
  connect(ButtonClose, &QPushButton::clicked, this, &QDialog::accept);
  ConnectGuarded(ButtonSave, &QPushButton::clicked, this, &ExerciseTeacherDialog::SaveClicked,
                 this);
  ConnectGuarded(ButtonReveal, &QPushButton::clicked, this, &ExerciseTeacherDialog::RevealClicked,
                 this);
  ConnectGuarded(ButtonRemove, &QPushButton::clicked, this, &ExerciseTeacherDialog::RemoveClicked,
                 this);
  connect(ComboProcess, &QComboBox::currentIndexChanged, this,
          &ExerciseTeacherDialog::ProcessChanged);
}

void ExerciseTeacherDialog::Fill(const std::optional<Exercise>& exercise) {
  Exercise e;
  if (exercise) {
    e = *exercise;
    LabelState->setText(QString("Exercice en cours, dans %1.").arg(kExerciseFile));
  } else {
    e.Number = std::random_device{}() % 100000;
    LabelState->setText(
        "Pas d'exercice : l'enregistrer le donne aux postes de ce dossier de "
        "travail.");
  }
  for (int i = 0; i < ComboProcess->count(); ++i)
    if (e.Process == ExerciseKind(i).Id) ComboProcess->setCurrentIndex(i);
  EditNumber->setText(QString::number(e.Number));
  const std::pair<QLineEdit*, double> values[] = {
      {EditGainMin, e.Gain.Minimum},         {EditGainMax, e.Gain.Maximum},
      {EditTimeMin, e.TimeConstant.Minimum}, {EditTimeMax, e.TimeConstant.Maximum},
      {EditDelayMin, e.Delay.Minimum},       {EditDelayMax, e.Delay.Maximum},
      {EditOrderMin, e.Order.Minimum},       {EditOrderMax, e.Order.Maximum},
      {EditTolerance, e.TolerancePercent}};
  for (const auto& [field, value] : values) field->setText(Text(value));
  LabelRevealed->clear();
  ProcessChanged();
}

void ExerciseTeacherDialog::ProcessChanged() {
  const ProcessKind& kind = ExerciseKind(ComboProcess->currentIndex());
  const bool integrator = !kind.TakesValue("constante-temps");
  const bool strejc = kind.TakesValue("ordre");
  LabelGain->setText(integrator ? "Gain intégrateur k (1/s)" : "Gain statique K (V/V)");
  for (QLineEdit* e : {EditTimeMin, EditTimeMax}) e->setEnabled(!integrator);
  for (QLineEdit* e : {EditOrderMin, EditOrderMax}) e->setEnabled(strejc);
}

Exercise ExerciseTeacherDialog::Typed() const {
  Exercise e;
  e.Process = ExerciseKind(ComboProcess->currentIndex()).Id;
  const double number = ReadNumberField(EditNumber, "Numéro de l'exercice");
  if (!(number >= 0 && number <= 2147483647 && number == std::floor(number)))
    throw VantorError("Le numéro de l'exercice doit être un nombre entier positif");
  e.Number = static_cast<std::uint32_t>(number);
  auto range = [](QLineEdit* min, QLineEdit* max, const char* minName, const char* maxName) {
    return ExerciseRange{ReadNumberField(min, minName), ReadNumberField(max, maxName)};
  };
  e.Gain = range(EditGainMin, EditGainMax, "Gain mini", "Gain maxi");
  if (EditTimeMin->isEnabled())
    e.TimeConstant =
        range(EditTimeMin, EditTimeMax, "Constante de temps mini", "Constante de temps maxi");
  e.Delay = range(EditDelayMin, EditDelayMax, "Retard mini", "Retard maxi");
  if (EditOrderMin->isEnabled())
    e.Order = range(EditOrderMin, EditOrderMax, "Ordre mini", "Ordre maxi");
  e.TolerancePercent = ReadNumberField(EditTolerance, "Tolérance");
  try {
    ValidateExercise(e);
  } catch (const VantorError& error) {
    std::string why = error.what();
    if (!why.empty()) why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
    throw VantorError(why);
  }
  return e;
}

void ExerciseTeacherDialog::SaveClicked() {
  const Exercise e = Typed();
  SaveExercise(e);
  LabelState->setText(
      QString("Exercice enregistré dans %1 : %2.").arg(kExerciseFile, ToQString(ExerciseText(e))));
  LabelRevealed->clear();
  if (Changed) Changed();
}

void ExerciseTeacherDialog::RevealClicked() {
  if (Reveal) LabelRevealed->setText(ToQString(Reveal()));
}

void ExerciseTeacherDialog::RemoveClicked() {
  if (!std::filesystem::exists(std::filesystem::symlink_status(kExerciseFile))) {
    LabelState->setText("Pas d'exercice à supprimer.");
    return;
  }
  if (!Dialogs::Current().Confirm(this,
                                  "Supprimer l'exercice ? Les postes de ce dossier de "
                                  "travail n'auront plus de procédé d'exercice."))
    return;
  std::error_code ec;
  if (!std::filesystem::remove(kExerciseFile, ec) || ec)
    throw VantorError(FormatMessage("Impossible de supprimer le fichier %s", kExerciseFile));
  LabelState->setText("Exercice supprimé.");
  LabelRevealed->clear();
  if (Changed) Changed();
}

}  // namespace vantor
