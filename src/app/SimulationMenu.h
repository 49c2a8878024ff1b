#pragma once
// The "Simulation" menu of the simulated workstation: choose the process behind the
// simulated card (DC motor, position or speed; thermal process with dead time) and its
// profile (ideal or realistic), set its parameters and the external setpoint voltage on
// input 0, set the load disturbance, and put the process back at rest. It also brings
// the "Perturbation" button and arms the scheduled load at each "Début".
#include <QDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QObject>

#include "RunEvents.h"
#include "SimulatedCard.h"
#include "SimulationProfile.h"

namespace vantor {

class TForm1;
class PerturbationToggle;
class SimulationLoadDialog;

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
  QLineEdit* EditFriction = nullptr;  // motors only
  QLineEdit* EditDeadTime = nullptr;  // thermal process only
  QLineEdit* EditNoise = nullptr;
  QLineEdit* EditExternal = nullptr;

 private:
  SimulatedCard& card_;
  QFormLayout* form_ = nullptr;
};

class SimulationMenu : public QObject, private RunObserver {
  Q_OBJECT
 public:
  SimulationMenu(TForm1& form, SimulatedCard& card);

  QMenu* Menu() const { return menu_; }
  QAction* PositionAction = nullptr;
  QAction* SpeedAction = nullptr;
  QAction* ThermalAction = nullptr;
  QAction* IdealAction = nullptr;
  QAction* RealisticAction = nullptr;
  QAction* ParametersAction = nullptr;
  QAction* LoadAction = nullptr;
  QAction* ResetAction = nullptr;
  SimulationParametersDialog* Dialog() const { return dialog_; }
  SimulationLoadDialog* LoadDialog() const { return loadDialog_; }
  PerturbationToggle* Toggle() const { return toggle_; }

  void ChoosePosition();
  void ChooseSpeed();
  void ChooseThermal();
  // Gives the current process the profile's parameters and puts it at rest; the
  // processes chosen afterwards get it too.
  void ChooseProfile(SimulationProfile profile);
  void EditParameters();
  void EditLoad();
  void ResetProcess();

 private:
  // A run starts: the moment to arm the scheduled load.
  void RunStarted(const RegulationState& s) override;

  void Choose(std::unique_ptr<ProcessModel> process, QAction* action);

  TForm1& form_;
  SimulatedCard& card_;
  QMenu* menu_ = nullptr;
  SimulationParametersDialog* dialog_ = nullptr;
  SimulationLoadDialog* loadDialog_ = nullptr;
  PerturbationToggle* toggle_ = nullptr;
};

}  // namespace vantor
