// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation-ui/SimulationMenu.h"

#include <QActionGroup>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QPointer>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "session/SimulatedRunProcess.h"
#include "simulation-ui/ApplyButtons.h"
#include "simulation-ui/ExerciseMenu.h"
#include "simulation-ui/PerturbationToggle.h"
#include "simulation-ui/SimulationLoadDialog.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

double FieldValue(const QLineEdit* edit) {
  return static_cast<double>(StrToFloat(edit->text().toStdString()));
}

// The object names the fields have always had; a new parameter gets "Edit-" + its name.
std::string ObjectNameOf(const std::string& parameter) {
  static const std::map<std::string, std::string> names = {
      {"gain", "EditGain"},       {"constante-temps", "EditTimeConstant"},
      {"capteur", "EditSensor"},  {"frottement", "EditFriction"},
      {"retard", "EditDeadTime"}, {"bruit", "EditNoise"}};
  const auto it = names.find(parameter);
  return it != names.end() ? it->second : "Edit-" + parameter;
}

constexpr double kExternalMaxVolts = 10.24;

}  // namespace

SimulationParametersDialog::SimulationParametersDialog(SimulatedCard& card, QWidget* parent)
    : QDialog(parent), card_(card) {
  setObjectName("SimulationParameters");
  setWindowTitle("Paramètres du procédé simulé");
  form_ = new QFormLayout(this);
  EditExternal = new QLineEdit(this);
  EditExternal->setObjectName("EditExternal");
  form_->addRow("Consigne externe sur l'entrée 0 (0 à 10.24 V)", EditExternal);
  for (const ProcessKind& kind : ProcessKinds()) AddFields(kind.Make()->Parameters());
  EditGain = Field("gain");
  EditTimeConstant = Field("constante-temps");
  EditSensor = Field("capteur");
  EditFriction = Field("frottement");
  EditDeadTime = Field("retard");
  EditNoise = Field("bruit");
  AddApplyButtons(*this, *form_, [this] { Apply(); });
  Refill();
}

QLineEdit* SimulationParametersDialog::Field(const std::string& name) const {
  const auto it = fields_.find(name);
  return it == fields_.end() ? nullptr : it->second;
}

void SimulationParametersDialog::AddFields(const std::vector<ProcessParameter>& parameters) {
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (fields_.count(parameters[i].Name) != 0) continue;
    QWidget* before = EditExternal;
    for (std::size_t j = i + 1; j < parameters.size() && before == EditExternal; ++j)
      if (QLineEdit* next = Field(parameters[j].Name)) before = next;
    int row = 0;
    QFormLayout::ItemRole role;
    form_->getWidgetPosition(before, &row, &role);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(ToQString(ObjectNameOf(parameters[i].Name)));
    form_->insertRow(row, ToQString(parameters[i].Label), edit);
    fields_[parameters[i].Name] = edit;
  }
}

void SimulationParametersDialog::Refill() {
  const ProcessModel& p = card_.Process();
  const std::vector<ProcessParameter> parameters = p.Parameters();
  AddFields(parameters);
  for (const auto& [name, edit] : fields_) form_->setRowVisible(edit, false);
  for (const ProcessParameter& parameter : parameters) {
    QLineEdit* edit = Field(parameter.Name);
    form_->setRowVisible(edit, true);
    static_cast<QLabel*>(form_->labelForField(edit))->setText(ToQString(parameter.Label));
    edit->setToolTip(ToQString(parameter.Tip));
    edit->setText(ShortText(parameter.Get(p)));
  }
  EditExternal->setText(ShortText(card_.ExternalSetpointVolts()));
}

void SimulationParametersDialog::Apply() {
  ProcessModel& p = card_.Process();
  const std::vector<ProcessParameter> parameters = p.Parameters();
  AddFields(parameters);
  std::vector<std::pair<std::string, double>> values;
  for (const ProcessParameter& parameter : parameters)
    values.emplace_back(parameter.Name, FieldValue(Field(parameter.Name)));
  const double external = FieldValue(EditExternal);
  for (std::size_t i = 0; i < parameters.size(); ++i) parameters[i].Check(values[i].second);
  if (!(external >= 0 && external <= kExternalMaxVolts))
    throw VantorError("La consigne externe doit être comprise entre 0 et " +
                      FormatShort(kExternalMaxVolts) + " V");
  p.SetParameters(values);
  card_.SetExternalSetpointVolts(external);
}

SimulationMenu::SimulationMenu(Workstation& workstation, SimulatedCard& card)
    : QObject(&workstation.Window()), workstation_(workstation), card_(card) {
  QWidget& form = workstation.Window();
  menu_ = workstation.AddMenu("Simulation");
  menu_->setObjectName("Simulation1");
  auto* group = new QActionGroup(menu_);
  const ProcessKind* current = KindOf(card.Process());
  for (const ProcessKind& kind : ProcessKinds()) {
    QAction* a = menu_->addAction(ToQString(kind.Label));
    a->setObjectName(ToQString(kind.ActionName));
    a->setCheckable(true);
    group->addAction(a);
    a->setChecked(&kind == current);
    processActions_.emplace_back(kind.Id, a);
    ConnectGuarded(
        a, &QAction::triggered, this, [this, id = kind.Id] { ChooseProcess(id); }, &form);
  }
  PositionAction = ProcessAction("position");
  SpeedAction = ProcessAction("vitesse");
  ThermalAction = ProcessAction("thermique");
  menu_->addSeparator();
  auto* profiles = new QActionGroup(menu_);
  IdealAction = menu_->addAction("Procédé idéal");
  IdealAction->setObjectName("SimulationIdeal1");
  RealisticAction =
      menu_->addAction("Procédé réaliste (bruit de mesure, frottement sec, repos hors butée)");
  RealisticAction->setObjectName("SimulationRealiste1");
  for (QAction* a : {IdealAction, RealisticAction}) {
    a->setCheckable(true);
    profiles->addAction(a);
  }
  const bool realistic = card.Process().Profile() == SimulationProfile::Realistic;
  (realistic ? RealisticAction : IdealAction)->setChecked(true);
  menu_->addSeparator();
  ParametersAction = menu_->addAction("Paramètres du procédé et consigne externe...");
  ParametersAction->setObjectName("SimulationParametres1");
  LoadAction = menu_->addAction("Charge (perturbation)...");
  LoadAction->setObjectName("SimulationCharge1");
  ResetAction = menu_->addAction("Remettre le procédé au repos");
  ResetAction->setObjectName("SimulationRepos1");
  dialog_ = new SimulationParametersDialog(card, &form);
  loadDialog_ = new SimulationLoadDialog(card, &form);
  toggle_ = new PerturbationToggle(card, &form);
  PlacePerturbationToggle(workstation, toggle_);
  processLabel_ = new QLabel();
  processLabel_->setObjectName("ProcessLabel");
  processLabel_->setWordWrap(true);
  workstation.AddStatusLine(processLabel_);
  Describe();
  connect(toggle_, &QAbstractButton::clicked, this, [this] { Describe(); });
  workstation.ObserveRuns(*this);
  workstation.Bench().SetProcess(this);
  // Changing the process or its parameters mid-run would hold the cycles.
  workstation.DisableDuringRuns(menu_->menuAction());

  const std::pair<QAction*, void (SimulationMenu::*)()> handlers[] = {
      {ParametersAction, &SimulationMenu::EditParameters},
      {LoadAction, &SimulationMenu::EditLoad},
      {ResetAction, &SimulationMenu::ResetProcess}};
  for (const auto& [action, handler] : handlers)
    ConnectGuarded(action, &QAction::triggered, this, handler, &form);
  for (auto [action, profile] : {std::pair{IdealAction, SimulationProfile::Ideal},
                                 std::pair{RealisticAction, SimulationProfile::Realistic}})
    ConnectGuarded(
        action, &QAction::triggered, this, [this, profile = profile] { ChooseProfile(profile); },
        &form);
  exercises_ = new ExerciseMenu(workstation, *this, card);
  // The lab report prints the exercise's answer and verdict.
  workstation.ReportExerciseWith([exercises = QPointer<ExerciseMenu>(exercises_)] {
    return exercises ? exercises->ReportLines() : std::vector<std::string>{};
  });
  form.setWindowTitle(form.windowTitle() + " - carte simulée (simulation, pas de carte réelle)");
}

SimulationMenu::~SimulationMenu() {
  if (workstation_.Bench().Process() == this) workstation_.Bench().SetProcess(nullptr);
}

QAction* SimulationMenu::ProcessAction(const std::string& id) const {
  for (const auto& [word, action] : processActions_)
    if (word == id) return action;
  return nullptr;
}

void SimulationMenu::ChooseProcess(const std::string& id) {
  std::unique_ptr<ProcessModel> process = MakeProcess(id);
  process->ApplyProfile(card_.Process().Profile());
  UseProcess(std::move(process));
  if (QAction* action = ProcessAction(id)) action->setChecked(true);
}

void SimulationMenu::UseProcess(std::unique_ptr<ProcessModel> process) {
  card_.SetProcess(std::move(process));
  ForgetLoad();
}

void SimulationMenu::ChooseProfile(SimulationProfile profile) {
  card_.Process().ApplyProfile(profile);
  card_.ResetProcess();
  (profile == SimulationProfile::Realistic ? RealisticAction : IdealAction)->setChecked(true);
  toggle_->Refresh();
  Describe();
}

void SimulationMenu::EditParameters() {
  if (exercises_->ExerciseInUse()) {
    Dialogs::Current().Message(
        &workstation_.Window(),
        "Les paramètres du procédé de l'exercice sont cachés : identifiez-le, puis donnez votre "
        "réponse par « Simulation » → « Réponse à l'exercice… ». Le professeur peut les "
        "révéler dans « Exercice du professeur… ».");
    return;
  }
  dialog_->Refill();
  Dialogs::Current().Exec(*dialog_);
  Describe();
}

void SimulationMenu::EditLoad() {
  loadDialog_->Refill();
  Dialogs::Current().Exec(*loadDialog_);
  toggle_->Refresh();
  Describe();
}

void SimulationMenu::ResetProcess() {
  card_.ResetProcess();
  ForgetLoad();
}

void SimulationMenu::ForgetLoad() {
  card_.SetLoadApplied(false);
  loadDialog_->ForgetStart();
  toggle_->Refresh();
  Describe();
}

void SimulationMenu::Describe() {
  std::string load = "aucune";
  if (card_.LoadApplied())
    load = FormatShort(card_.LoadVolts()) + " V, appliquée";
  else if (const auto start = loadDialog_->StartSeconds())
    load = FormatShort(card_.LoadVolts()) + " V à " + FormatShort(*start) + " s de l'essai";
  // The exercise's process keeps its kind hidden too: the student identifies it.
  const std::string name =
      exercises_ && exercises_->ExerciseInUse() ? "Procédé de l'exercice" : card_.Process().Name();
  processLabel_->setText(ToQString("Procédé simulé : " + name + " (" +
                                   ProfileWord(card_.Process().Profile()) +
                                   ") ; charge\u00a0: " + load));
}

std::string SimulationMenu::RunLoad() const {
  return ProcessOfRun().Load;
}

RunProcess SimulationMenu::ProcessOfRun() const {
  return SimulatedRunProcess(card_, loadDialog_->StartSeconds());
}

void SimulationMenu::RunStarted(const RegulationState&) {
  if (const auto start = loadDialog_->StartSeconds()) card_.ScheduleLoad(*start);
  card_.ForgetLoadHistory();
  toggle_->Refresh();
  Describe();
}

void SimulationMenu::RunEnded(const RegulationState&) {
  Describe();
}

}  // namespace vantor
