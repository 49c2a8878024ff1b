// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Simulation" menu of the simulated workstation: choose the process behind the
// simulated card (the rows of ProcessRegistry.h: DC motor, position or speed; thermal
// process with dead time; first order) and its
// profile (ideal or realistic), set its parameters and the external setpoint voltage on
// input 0, set the load disturbance, and put the process back at rest. It also brings
// the "Perturbation" button and arms the scheduled load at each "Début".
#include <QDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QObject>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "card/SimulatedCard.h"
#include "regulation/RunEvents.h"
#include "session/Session.h"
#include "simulation/ProcessRegistry.h"
#include "simulation/SimulationProfile.h"
#include "widgets/Workstation.h"

class QLabel;

namespace vantor {

class PerturbationToggle;
class SimulationLoadDialog;
class ExerciseMenu;

// The parameters dialog: one field per parameter of the current process (its
// Parameters()), then the external setpoint; "." as decimal separator. A parameter
// keeps its field from one process to the next: the rows of the other processes are
// hidden.
class SimulationParametersDialog : public QDialog {
  Q_OBJECT
 public:
  SimulationParametersDialog(SimulatedCard& card, QWidget* parent = nullptr);
  // Shows the current process's rows, with its labels, and fills them from the process
  // and input 0.
  void Refill();
  // Converts and checks every field of the current process and the external setpoint,
  // then applies them all; throws VantorError with a French message and changes nothing
  // when a field is wrong or the process refuses the values together.
  void Apply();
  // The field of a parameter, by its name ("gain"); nullptr for a name no process has.
  QLineEdit* Field(const std::string& name) const;

  // The fields of the table's processes.
  QLineEdit* EditGain = nullptr;
  QLineEdit* EditTimeConstant = nullptr;
  QLineEdit* EditSensor = nullptr;
  QLineEdit* EditFriction = nullptr;  // motors only
  QLineEdit* EditDeadTime = nullptr;  // thermal process only
  QLineEdit* EditNoise = nullptr;
  QLineEdit* EditExternal = nullptr;

 private:
  // Gives each parameter without a field its field, placed before the next one of the
  // list that has a row, else before the external setpoint.
  void AddFields(const std::vector<ProcessParameter>& parameters);

  SimulatedCard& card_;
  QFormLayout* form_ = nullptr;
  std::map<std::string, QLineEdit*> fields_;
};

class SimulationMenu : public QObject, private RunObserver, public BenchProcess {
  Q_OBJECT
 public:
  SimulationMenu(Workstation& workstation, SimulatedCard& card);
  ~SimulationMenu() override;

  QMenu* Menu() const { return menu_; }
  // The action of a row of the process table, by its word; nullptr outside the table.
  QAction* ProcessAction(const std::string& id) const;
  // The actions of the "position", "vitesse" and "thermique" rows.
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
  // Under the status line: the simulated process, its profile and the load, so that a run
  // never depends on a setting no one sees.
  QLabel* ProcessLabel() const { return processLabel_; }
  // The teacher's exercise, at the end of the menu.
  ExerciseMenu* Exercises() const { return exercises_; }

  // Puts a new process of the table's row behind the card, with the current profile.
  void ChooseProcess(const std::string& id);
  // Puts a process behind the card (the caller checks its menu action).
  void UseProcess(std::unique_ptr<ProcessModel> process);
  // Gives the current process the profile's parameters and puts it at rest; the
  // processes chosen afterwards get it too.
  void ChooseProfile(SimulationProfile profile);
  void EditParameters();
  void EditLoad();
  void ResetProcess();

  // The load the last run met, as its journal and report describe it ("1 V à 5 s", "1 V au
  // bouton « Perturbation »"); empty when the run never met a load.
  std::string RunLoad() const;
  // The process, its profile and the load, as the session keeps them with each run.
  RunProcess ProcessOfRun() const override;

 private:
  // A run starts: the moment to arm the scheduled load.
  void RunStarted(const RegulationState& s) override;
  void RunEnded(const RegulationState& s) override;
  // The label says what the card simulates now.
  void Describe();
  // Another process, or the process put at rest: no load stays applied or scheduled.
  void ForgetLoad();

  Workstation& workstation_;
  SimulatedCard& card_;
  QMenu* menu_ = nullptr;
  SimulationParametersDialog* dialog_ = nullptr;
  SimulationLoadDialog* loadDialog_ = nullptr;
  PerturbationToggle* toggle_ = nullptr;
  QLabel* processLabel_ = nullptr;
  ExerciseMenu* exercises_ = nullptr;
  std::vector<std::pair<std::string, QAction*>> processActions_;
};

}  // namespace vantor
