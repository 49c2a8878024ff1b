// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/CorrectorStructureWindow.h"

#include <QFormLayout>
#include <QVBoxLayout>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "widgets/ErrorReport.h"
#include "widgets/NumberField.h"
#include "widgets/QtText.h"

namespace vantor {

CorrectorStructureWindow::CorrectorStructureWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormStructure");
  setWindowTitle("Structure du correcteur");
  setModal(false);
  auto* column = new QVBoxLayout(this);
  RadioPart = new QRadioButton("Correcteur du poste (par défaut)", this);
  RadioPart->setObjectName("RadioPartie");
  RadioIndustrial = new QRadioButton("PID industriel", this);
  RadioIndustrial->setObjectName("RadioIndustriel");
  RadioOnOff = new QRadioButton("Tout ou rien", this);
  RadioOnOff->setObjectName("RadioToutOuRien");
  auto* group = new QButtonGroup(this);
  for (QRadioButton* b : {RadioPart, RadioIndustrial, RadioOnOff}) {
    group->addButton(b);
    column->addWidget(b);
  }
  RadioPart->setChecked(true);

  industrial_ = new QGroupBox("PID industriel", this);
  auto* pid = new QFormLayout(industrial_);
  LabelGains = new QLabel(industrial_);
  LabelGains->setObjectName("LabelGains");
  LabelGains->setWordWrap(true);
  pid->addRow(LabelGains);
  ComboForm = new QComboBox(industrial_);
  ComboForm->setObjectName("ComboForme");
  ComboForm->addItems({"parallèle (Kp, Ki, Kd)", "standard (Kp, Ti, Td)",
                       "série (Kr, Ti, Td : Kp = Kr·(1 + Td/Ti), Ki = Kr/Ti, Kd = Kr·Td)"});
  pid->addRow("Forme", ComboForm);
  SpinFilter = new QSpinBox(industrial_);
  SpinFilter->setObjectName("SpinFiltre");
  SpinFilter->setRange(1, 20);
  SpinFilter->setSpecialValueText("sans filtre");
  SpinFilter->setValue(1);
  pid->addRow("Filtre de la dérivée N (Td/N)", SpinFilter);
  CheckMeasurement = new QCheckBox("Dérivée sur la mesure", industrial_);
  CheckMeasurement->setObjectName("CheckDeriveeMesure");
  pid->addRow(CheckMeasurement);
  EditWeight = new QLineEdit("1", industrial_);
  EditWeight->setObjectName("EditPonderation");
  pid->addRow("Pondération b de la consigne (0 à 1)", EditWeight);
  ComboWindup = new QComboBox(industrial_);
  ComboWindup->setObjectName("ComboAntiEmballement");
  ComboWindup->addItems(
      {"aucun", "intégration conditionnelle (arrêtée en butée)", "recalcul (poursuite Tt)"});
  pid->addRow("Anti-emballement", ComboWindup);
  EditTracking = new QLineEdit(industrial_);
  EditTracking->setObjectName("EditTt");
  EditTracking->setPlaceholderText("par défaut : \u221a(Ti\u00b7Td), ou Ti/2");
  pid->addRow("Temps de poursuite Tt (s)", EditTracking);
  ComboAction = new QComboBox(industrial_);
  ComboAction->setObjectName("ComboAction");
  ComboAction->addItems({"inverse : l'ordre monte quand la mesure baisse (procédé de gain positif)",
                         "directe : l'ordre monte avec la mesure (procédé de gain négatif)"});
  pid->addRow("Action", ComboAction);
  column->addWidget(industrial_);

  onOff_ = new QGroupBox("Tout ou rien", this);
  auto* onOff = new QFormLayout(onOff_);
  EditOnOffD = new QLineEdit("10", onOff_);
  EditOnOffD->setObjectName("EditToutOuRienD");
  EditOnOffEpsilon = new QLineEdit("0.1", onOff_);
  EditOnOffEpsilon->setObjectName("EditToutOuRienEpsilon");
  onOff->addRow("Ordre ± d (V)", EditOnOffD);
  onOff->addRow("Hystérésis \u03b5 (V)", EditOnOffEpsilon);
  column->addWidget(onOff_);

  ButtonApply = new QPushButton("Appliquer", this);
  ButtonApply->setObjectName("ButtonAppliquer");
  column->addWidget(ButtonApply);
  LabelInForce = new QLabel(this);
  LabelInForce->setObjectName("LabelEnVigueur");
  LabelInForce->setWordWrap(true);
  column->addWidget(LabelInForce);

  manual_ = new QGroupBox("Pendant l'essai (PID industriel)", this);
  auto* manual = new QFormLayout(manual_);
  CheckManual = new QCheckBox("Manuel", manual_);
  CheckManual->setObjectName("CheckManuel");
  manual->addRow(CheckManual);
  EditManualOrder = new QLineEdit("0", manual_);
  EditManualOrder->setObjectName("EditOrdreManuel");
  ButtonSendManual = new QPushButton("Envoyer l'ordre", manual_);
  ButtonSendManual->setObjectName("ButtonOrdreManuel");
  manual->addRow("Ordre manuel (V)", EditManualOrder);
  manual->addRow(ButtonSendManual);
  column->addWidget(manual_);
  manual_->setEnabled(false);

  ConnectGuarded(ButtonApply, &QPushButton::clicked, this, &CorrectorStructureWindow::ApplyClick);
  ConnectGuarded(CheckManual, &QCheckBox::toggled, this, &CorrectorStructureWindow::ManualToggled);
  ConnectGuarded(ButtonSendManual, &QPushButton::clicked, this,
                 &CorrectorStructureWindow::SendManual);
}

CorrectorStructureWindow::Choice CorrectorStructureWindow::TypedChoice() const {
  if (RadioIndustrial->isChecked()) return Choice::Industrial;
  if (RadioOnOff->isChecked()) return Choice::OnOff;
  return Choice::Part;
}

IndustrialPidSettings CorrectorStructureWindow::TypedPid() const {
  IndustrialPidSettings p;
  p.Form = ComboForm->currentIndex() == 1   ? PidForm::Standard
           : ComboForm->currentIndex() == 2 ? PidForm::Series
                                            : PidForm::Parallel;
  p.FilterN = SpinFilter->value() == 1 ? 0 : SpinFilter->value();
  p.DerivativeOnMeasurement = CheckMeasurement->isChecked();
  p.SetpointWeight = ReadNumberField(EditWeight, "Pondération b", "0.5");
  p.Windup = ComboWindup->currentIndex() == 1   ? AntiWindup::Clamping
             : ComboWindup->currentIndex() == 2 ? AntiWindup::BackCalculation
                                                : AntiWindup::None;
  if (!EditTracking->text().trimmed().isEmpty())
    p.TrackingTime = ReadNumberField(EditTracking, "Temps de poursuite Tt", "0.5");
  p.DirectAction = ComboAction->currentIndex() == 1;
  if (const std::string fault = IndustrialPidFault(p); !fault.empty()) throw VantorError(fault);
  return p;
}

RelaySettings CorrectorStructureWindow::TypedOnOff() const {
  RelaySettings r;
  r.Amplitude = ReadNumberField(EditOnOffD, "Ordre d du tout ou rien", "0.5");
  r.Hysteresis = ReadNumberField(EditOnOffEpsilon, "Hystérésis \u03b5 du tout ou rien", "0.5");
  if (const std::string fault = RelaySettingsFault(r); !fault.empty()) throw VantorError(fault);
  return r;
}

void CorrectorStructureWindow::ShowGains(double kp, double kd, double ki) {
  const QString ti = ki > 0 && kp > 0 ? QString::number(kp / ki, 'g', 4) + " s" : "—";
  const QString td = kp > 0 ? QString::number(kd / kp, 'g', 4) + " s" : "—";
  LabelGains->setText(QString("Gains des champs de la fenêtre principale : Kp = %1, Ki = %2, "
                              "Kd = %3, soit en forme standard Kp = %1, Ti = Kp/Ki = %4, "
                              "Td = Kd/Kp = %5.")
                          .arg(kp, 0, 'g', 4)
                          .arg(ki, 0, 'g', 4)
                          .arg(kd, 0, 'g', 4)
                          .arg(ti, td));
}

void CorrectorStructureWindow::SetRunning(bool running, bool industrial) {
  for (QWidget* w : {static_cast<QWidget*>(RadioPart), static_cast<QWidget*>(RadioIndustrial),
                     static_cast<QWidget*>(RadioOnOff), static_cast<QWidget*>(industrial_),
                     static_cast<QWidget*>(onOff_), static_cast<QWidget*>(ButtonApply)})
    w->setEnabled(!running);
  manual_->setEnabled(running && industrial);
  if (!running) {
    const QSignalBlocker quiet(CheckManual);
    CheckManual->setChecked(false);
  }
}

void CorrectorStructureWindow::ApplyClick() {
  // Both groups are read first: a field at fault changes nothing.
  TypedPid();
  TypedOnOff();
  if (Applied) Applied();
}

void CorrectorStructureWindow::ManualToggled() {
  const bool manual = CheckManual->isChecked();
  if (manual && CurrentOrder)
    EditManualOrder->setText(QString::number(CurrentOrder(), 'f', 2));
  if (ManualChanged)
    ManualChanged(manual, manual ? ReadNumberField(EditManualOrder, "Ordre manuel", "0.5") : 0);
}

void CorrectorStructureWindow::SendManual() {
  if (!CheckManual->isChecked())
    throw VantorError("Cochez d'abord « Manuel » : l'ordre manuel ne s'applique qu'en manuel");
  const double order = ReadNumberField(EditManualOrder, "Ordre manuel", "0.5");
  if (!(order >= -10 && order <= 10))
    throw VantorError("L'ordre manuel doit être compris entre -10 et 10 V");
  if (ManualChanged) ManualChanged(true, order);
}

}  // namespace vantor
