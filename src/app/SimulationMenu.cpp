#include "SimulationMenu.h"

#include <QActionGroup>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QMenuBar>
#include <cmath>

#include "ApplyButtons.h"
#include "DcMotorPosition.h"
#include "DcMotorSpeed.h"
#include "ErrorReport.h"
#include "Numbers.h"
#include "PerturbationToggle.h"
#include "QtText.h"
#include "SimulationLoadDialog.h"
#include "ThermalProcess.h"
#include "Uvantorwin.h"
#include "VantorError.h"

namespace vantor {

namespace {

double Field(QLineEdit* edit) {
  return static_cast<double>(StrToFloat(edit->text().toStdString()));
}

}  // namespace

SimulationParametersDialog::SimulationParametersDialog(SimulatedCard& card, QWidget* parent)
    : QDialog(parent), card_(card) {
  setObjectName("SimulationParameters");
  setWindowTitle("Paramètres du procédé simulé");
  auto* form = new QFormLayout(this);
  form_ = form;
  auto make = [this, form](const char* name, const QString& label) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    form->addRow(label, e);
    return e;
  };
  EditGain = make("EditGain", "Gain du moteur ((rad/s)/V)");
  EditTimeConstant = make("EditTimeConstant", "Constante de temps (s)");
  EditSensor = make("EditSensor", "Sensibilité du capteur");
  EditFriction = make("EditFriction", "Frottement sec (V d'ordre)");
  EditDeadTime = make("EditDeadTime", "Retard (s)");
  EditNoise = make("EditNoise", "Bruit de mesure (V)");
  EditExternal = make("EditExternal", "Consigne externe sur l'entrée 0 (0 à 10.24 V)");
  AddApplyButtons(*this, *form, [this] { Apply(); });
}

void SimulationParametersDialog::Refill() {
  ProcessModel& p = card_.Process();
  auto* thermal = dynamic_cast<ThermalProcess*>(&p);
  static_cast<QLabel*>(form_->labelForField(EditGain))
      ->setText(thermal ? "Gain statique (V/V)" : "Gain du moteur ((rad/s)/V)");
  form_->setRowVisible(EditSensor, thermal == nullptr);
  form_->setRowVisible(EditFriction, thermal == nullptr);
  form_->setRowVisible(EditDeadTime, thermal != nullptr);
  if (auto* pos = dynamic_cast<DcMotorPosition*>(&p)) {
    EditGain->setText(ShortText(pos->GainRadPerSecondPerVolt));
    EditTimeConstant->setText(ShortText(pos->TimeConstantSeconds));
    EditSensor->setText(ShortText(pos->SensorVoltsPerRadian));
    EditSensor->setToolTip("Volts par radian du potentiomètre");
    EditFriction->setText(ShortText(pos->FrictionVolts));
  } else if (auto* speed = dynamic_cast<DcMotorSpeed*>(&p)) {
    EditGain->setText(ShortText(speed->GainRadPerSecondPerVolt));
    EditTimeConstant->setText(ShortText(speed->TimeConstantSeconds));
    EditSensor->setText(ShortText(speed->TachoVoltsPerRadPerSecond));
    EditSensor->setToolTip("Volts par rad/s de la génératrice tachymétrique");
    EditFriction->setText(ShortText(speed->FrictionVolts));
  } else if (thermal) {
    EditGain->setText(ShortText(thermal->GainVoltsPerVolt));
    EditTimeConstant->setText(ShortText(thermal->TimeConstantSeconds));
    EditDeadTime->setText(ShortText(thermal->DeadTimeSeconds));
  }
  EditNoise->setText(ShortText(p.NoiseVolts));
  EditExternal->setText(ShortText(card_.ExternalSetpointVolts()));
}

void SimulationParametersDialog::Apply() {
  ProcessModel& p = card_.Process();
  auto* thermal = dynamic_cast<ThermalProcess*>(&p);
  const double gain = Field(EditGain);
  const double tau = Field(EditTimeConstant);
  const double sensor = thermal ? 1.0 : Field(EditSensor);
  const double friction = thermal ? 0.0 : Field(EditFriction);
  const double deadTime = thermal ? Field(EditDeadTime) : 0.0;
  const double noise = Field(EditNoise);
  const double external = Field(EditExternal);
  if (!(tau > 0) || tau > 100)
    throw VantorError("La constante de temps doit être comprise entre 0 (exclu) et 100 s");
  if (!(sensor > 0) || sensor > 100)
    throw VantorError("La sensibilité du capteur doit être comprise entre 0 (exclu) et 100");
  if (std::fabs(gain) > 1000)
    throw VantorError(thermal ? "Le gain statique doit rester entre -1000 et 1000"
                              : "Le gain du moteur doit rester entre -1000 et 1000");
  if (!(friction >= 0) || friction > 5)
    throw VantorError("Le frottement sec doit être compris entre 0 et 5 V");
  if (!(deadTime >= 0) || deadTime > 30)
    throw VantorError("Le retard doit être compris entre 0 et 30 s");
  if (noise < 0 || noise > 5)
    throw VantorError("Le bruit de mesure doit être compris entre 0 et 5 V");
  if (external < 0 || external > 10.24)
    throw VantorError("La consigne externe doit être comprise entre 0 et 10.24 V");
  if (auto* pos = dynamic_cast<DcMotorPosition*>(&p)) {
    pos->GainRadPerSecondPerVolt = gain;
    pos->TimeConstantSeconds = tau;
    pos->SensorVoltsPerRadian = sensor;
    pos->FrictionVolts = friction;
  } else if (auto* speed = dynamic_cast<DcMotorSpeed*>(&p)) {
    speed->GainRadPerSecondPerVolt = gain;
    speed->TimeConstantSeconds = tau;
    speed->TachoVoltsPerRadPerSecond = sensor;
    speed->FrictionVolts = friction;
  } else if (thermal) {
    thermal->GainVoltsPerVolt = gain;
    thermal->TimeConstantSeconds = tau;
    thermal->DeadTimeSeconds = deadTime;
  }
  p.NoiseVolts = noise;
  card_.SetExternalSetpointVolts(external);
}

SimulationMenu::SimulationMenu(TForm1& form, SimulatedCard& card)
    : QObject(&form), form_(form), card_(card) {
  menu_ = form.menuBar()->addMenu("Simulation");
  menu_->setObjectName("Simulation1");
  auto* group = new QActionGroup(menu_);
  PositionAction = menu_->addAction("Moteur à courant continu : position");
  PositionAction->setObjectName("SimulationPosition1");
  SpeedAction = menu_->addAction("Moteur à courant continu : vitesse");
  SpeedAction->setObjectName("SimulationVitesse1");
  ThermalAction = menu_->addAction("Procédé thermique : premier ordre et retard");
  ThermalAction->setObjectName("SimulationThermique1");
  for (QAction* a : {PositionAction, SpeedAction, ThermalAction}) {
    a->setCheckable(true);
    group->addAction(a);
  }
  PositionAction->setChecked(dynamic_cast<DcMotorPosition*>(&card.Process()) != nullptr);
  SpeedAction->setChecked(dynamic_cast<DcMotorSpeed*>(&card.Process()) != nullptr);
  ThermalAction->setChecked(dynamic_cast<ThermalProcess*>(&card.Process()) != nullptr);
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
  PlacePerturbationToggle(form, toggle_);
  form.Events.Add(*this);
  // Changing the process or its parameters mid-run would hold the cycles.
  form.DisableDuringRuns(menu_->menuAction());

  const std::pair<QAction*, void (SimulationMenu::*)()> handlers[] = {
      {PositionAction, &SimulationMenu::ChoosePosition},
      {SpeedAction, &SimulationMenu::ChooseSpeed},
      {ThermalAction, &SimulationMenu::ChooseThermal},
      {ParametersAction, &SimulationMenu::EditParameters},
      {LoadAction, &SimulationMenu::EditLoad},
      {ResetAction, &SimulationMenu::ResetProcess}};
  for (const auto& [action, handler] : handlers)
    connect(action, &QAction::triggered, this,
            [this, handler = handler] { Guarded(&form_, [&] { (this->*handler)(); }); });
  for (auto [action, profile] : {std::pair{IdealAction, SimulationProfile::Ideal},
                                 std::pair{RealisticAction, SimulationProfile::Realistic}})
    connect(action, &QAction::triggered, this,
            [this, profile = profile] { Guarded(&form_, [&] { ChooseProfile(profile); }); });
  form.setWindowTitle(form.windowTitle() + " - carte simulée (simulation, pas de carte réelle)");
}

void SimulationMenu::Choose(std::unique_ptr<ProcessModel> process, QAction* action) {
  process->ApplyProfile(card_.Process().Profile());
  card_.SetProcess(std::move(process));
  action->setChecked(true);
  toggle_->Refresh();
}

void SimulationMenu::ChoosePosition() {
  Choose(std::make_unique<DcMotorPosition>(), PositionAction);
}

void SimulationMenu::ChooseSpeed() {
  Choose(std::make_unique<DcMotorSpeed>(), SpeedAction);
}

void SimulationMenu::ChooseThermal() {
  Choose(std::make_unique<ThermalProcess>(), ThermalAction);
}

void SimulationMenu::ChooseProfile(SimulationProfile profile) {
  card_.Process().ApplyProfile(profile);
  card_.ResetProcess();
  (profile == SimulationProfile::Realistic ? RealisticAction : IdealAction)->setChecked(true);
  toggle_->Refresh();
}

void SimulationMenu::EditParameters() {
  dialog_->Refill();
  dialog_->exec();
}

void SimulationMenu::EditLoad() {
  loadDialog_->Refill();
  loadDialog_->exec();
  toggle_->Refresh();
}

void SimulationMenu::ResetProcess() {
  card_.ResetProcess();
  toggle_->Refresh();
}

void SimulationMenu::RunStarted(const RegulationState&) {
  if (const auto start = loadDialog_->StartSeconds()) card_.ScheduleLoad(*start);
  toggle_->Refresh();
}

}  // namespace vantor
