#pragma once
// The "Simulation" menu of the simulated workstation: choose the process behind the
// simulated card (DC motor, position or speed), set its parameters and the external
// setpoint voltage on input 0, and put the process back at rest.
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QObject>

#include "SimulatedCard.h"

namespace vantor {

class TForm1;

// The parameters dialog: one field per parameter, "." as decimal separator.
class SimulationParametersDialog : public QDialog {
  Q_OBJECT
 public:
  SimulationParametersDialog(SimulatedCard& card, QWidget* parent = nullptr);
  // Fills the fields from the card's current process and input 0.
  void Refill();
  // Converts and checks every field, then applies them to the card's process; throws
  // VantorError with a French message and changes nothing when a field is wrong.
  void Apply();

  QLineEdit* EditGain = nullptr;
  QLineEdit* EditTimeConstant = nullptr;
  QLineEdit* EditSensor = nullptr;
  QLineEdit* EditNoise = nullptr;
  QLineEdit* EditExternal = nullptr;

 private:
  SimulatedCard& card_;
};

class SimulationMenu : public QObject {
  Q_OBJECT
 public:
  SimulationMenu(TForm1& form, SimulatedCard& card);

  QMenu* Menu() const { return menu_; }
  QAction* PositionAction = nullptr;
  QAction* SpeedAction = nullptr;
  QAction* ParametersAction = nullptr;
  QAction* ResetAction = nullptr;
  SimulationParametersDialog* Dialog() const { return dialog_; }

  void ChoosePosition();
  void ChooseSpeed();
  void EditParameters();
  void ResetProcess();

 private:
  TForm1& form_;
  SimulatedCard& card_;
  QMenu* menu_ = nullptr;
  SimulationParametersDialog* dialog_ = nullptr;
};

}  // namespace vantor
