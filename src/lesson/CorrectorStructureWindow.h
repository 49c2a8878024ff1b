// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Structure du correcteur": the law of the next runs. The main window's corrector
// (the default), the industrial PID with its structure, or on-off control ("Tout ou
// rien"). The gains stay in the main window's Kp, Kd, Ki fields; the window shows them
// with Ti and Td. During a run with the industrial PID, "Manuel" holds the order at the
// manual field's value; back to automatic, the order starts from where it was.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <functional>

#include "lesson-core/RelayAnalysis.h"
#include "regulation/IndustrialPidLaw.h"

namespace vantor {

class CorrectorStructureWindow : public QDialog {
  Q_OBJECT
 public:
  enum class Choice { Part, Industrial, OnOff };
  explicit CorrectorStructureWindow(QWidget* parent = nullptr);

  // What is typed; throws VantorError naming the field at fault.
  Choice TypedChoice() const;
  IndustrialPidSettings TypedPid() const;
  RelaySettings TypedOnOff() const;
  // Shows the gains of the main window's fields in both forms.
  void ShowGains(double kp, double kd, double ki);
  // A run started or ended: the structure is fixed during a run, manual mode is only
  // offered then, with the industrial PID.
  void SetRunning(bool running, bool industrial);

  // Called by "Appliquer" once the fields are read, and by the manual controls.
  std::function<void()> Applied;
  std::function<void(bool manual, double order)> ManualChanged;
  // The order in force, for the manual field when manual mode begins.
  std::function<double()> CurrentOrder;

  QRadioButton* RadioPart = nullptr;
  QRadioButton* RadioIndustrial = nullptr;
  QRadioButton* RadioOnOff = nullptr;
  QComboBox* ComboForm = nullptr;
  QSpinBox* SpinFilter = nullptr;
  QCheckBox* CheckMeasurement = nullptr;
  QLineEdit* EditWeight = nullptr;
  QComboBox* ComboWindup = nullptr;
  QLineEdit* EditTracking = nullptr;
  QComboBox* ComboAction = nullptr;
  QLabel* LabelGains = nullptr;
  QLineEdit* EditOnOffD = nullptr;
  QLineEdit* EditOnOffEpsilon = nullptr;
  QPushButton* ButtonApply = nullptr;
  QLabel* LabelInForce = nullptr;
  QCheckBox* CheckManual = nullptr;
  QLineEdit* EditManualOrder = nullptr;
  QPushButton* ButtonSendManual = nullptr;

 private:
  void ApplyClick();
  void ManualToggled();
  void SendManual();
  QGroupBox* industrial_ = nullptr;
  QGroupBox* onOff_ = nullptr;
  QGroupBox* manual_ = nullptr;
};

}  // namespace vantor
