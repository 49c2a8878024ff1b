#include "SimulationMenu.h"

#include <QActionGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMenuBar>
#include <cmath>

#include "DcMotorPosition.h"
#include "DcMotorSpeed.h"
#include "ErrorReport.h"
#include "Numbers.h"
#include "QtText.h"
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
  auto make = [this, form](const char* name, const QString& label) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    form->addRow(label, e);
    return e;
  };
  EditGain = make("EditGain", "Gain du moteur ((rad/s)/V)");
  EditTimeConstant = make("EditTimeConstant", "Constante de temps (s)");
  EditSensor = make("EditSensor", "Sensibilité du capteur");
  EditNoise = make("EditNoise", "Bruit de mesure (V)");
  EditExternal = make("EditExternal", "Consigne externe sur l'entrée 0 (0 à 10.24 V)");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText("Appliquer");
  buttons->button(QDialogButtonBox::Cancel)->setText("Annuler");
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (Guarded(this, [this] { Apply(); })) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void SimulationParametersDialog::Refill() {
  ProcessModel& p = card_.Process();
  if (auto* pos = dynamic_cast<DcMotorPosition*>(&p)) {
    EditGain->setText(ShortText(pos->GainRadPerSecondPerVolt));
    EditTimeConstant->setText(ShortText(pos->TimeConstantSeconds));
    EditSensor->setText(ShortText(pos->SensorVoltsPerRadian));
    EditSensor->setToolTip("Volts par radian du potentiomètre");
  } else if (auto* speed = dynamic_cast<DcMotorSpeed*>(&p)) {
    EditGain->setText(ShortText(speed->GainRadPerSecondPerVolt));
    EditTimeConstant->setText(ShortText(speed->TimeConstantSeconds));
    EditSensor->setText(ShortText(speed->TachoVoltsPerRadPerSecond));
    EditSensor->setToolTip("Volts par rad/s de la génératrice tachymétrique");
  }
  EditNoise->setText(ShortText(p.NoiseVolts));
  EditExternal->setText(ShortText(card_.ExternalSetpointVolts()));
}

void SimulationParametersDialog::Apply() {
  const double gain = Field(EditGain);
  const double tau = Field(EditTimeConstant);
  const double sensor = Field(EditSensor);
  const double noise = Field(EditNoise);
  const double external = Field(EditExternal);
  if (!(tau > 0) || tau > 100)
    throw VantorError("La constante de temps doit être comprise entre 0 (exclu) et 100 s");
  if (!(sensor > 0) || sensor > 100)
    throw VantorError("La sensibilité du capteur doit être comprise entre 0 (exclu) et 100");
  if (std::fabs(gain) > 1000)
    throw VantorError("Le gain du moteur doit rester entre -1000 et 1000");
  if (noise < 0 || noise > 5)
    throw VantorError("Le bruit de mesure doit être compris entre 0 et 5 V");
  if (external < 0 || external > 10.24)
    throw VantorError("La consigne externe doit être comprise entre 0 et 10.24 V");
  ProcessModel& p = card_.Process();
  if (auto* pos = dynamic_cast<DcMotorPosition*>(&p)) {
    pos->GainRadPerSecondPerVolt = gain;
    pos->TimeConstantSeconds = tau;
    pos->SensorVoltsPerRadian = sensor;
  } else if (auto* speed = dynamic_cast<DcMotorSpeed*>(&p)) {
    speed->GainRadPerSecondPerVolt = gain;
    speed->TimeConstantSeconds = tau;
    speed->TachoVoltsPerRadPerSecond = sensor;
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
  for (QAction* a : {PositionAction, SpeedAction}) {
    a->setCheckable(true);
    group->addAction(a);
  }
  PositionAction->setChecked(dynamic_cast<DcMotorPosition*>(&card.Process()) != nullptr);
  SpeedAction->setChecked(dynamic_cast<DcMotorSpeed*>(&card.Process()) != nullptr);
  menu_->addSeparator();
  ParametersAction = menu_->addAction("Paramètres du procédé et consigne externe...");
  ParametersAction->setObjectName("SimulationParametres1");
  ResetAction = menu_->addAction("Remettre le procédé au repos");
  ResetAction->setObjectName("SimulationRepos1");
  dialog_ = new SimulationParametersDialog(card, &form);
  // Changing the process or its parameters mid-run would hold the cycles.
  form.DisableDuringRuns(menu_->menuAction());

  const std::pair<QAction*, void (SimulationMenu::*)()> handlers[] = {
      {PositionAction, &SimulationMenu::ChoosePosition},
      {SpeedAction, &SimulationMenu::ChooseSpeed},
      {ParametersAction, &SimulationMenu::EditParameters},
      {ResetAction, &SimulationMenu::ResetProcess}};
  for (const auto& [action, handler] : handlers)
    connect(action, &QAction::triggered, this,
            [this, handler] { Guarded(&form_, [&] { (this->*handler)(); }); });
  form.setWindowTitle(form.windowTitle() + " - carte simulée (simulation, pas de carte réelle)");
}

void SimulationMenu::ChoosePosition() {
  card_.SetProcess(std::make_unique<DcMotorPosition>());
  PositionAction->setChecked(true);
}

void SimulationMenu::ChooseSpeed() {
  card_.SetProcess(std::make_unique<DcMotorSpeed>());
  SpeedAction->setChecked(true);
}

void SimulationMenu::EditParameters() {
  dialog_->Refill();
  dialog_->exec();
}

void SimulationMenu::ResetProcess() {
  card_.ResetProcess();
}

}  // namespace vantor
