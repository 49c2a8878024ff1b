// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands of the other corrector laws, at the end of the "Essais" menu (disabled
// during a run with it): "Essai de relais…" and "Structure du correcteur…". Owns the
// laws and sets the law of the next runs in the main window's state; the main window's
// corrector stays the law until another is applied. "Structure du correcteur…" opens
// behind the teacher's password.
#include <QAction>
#include <QObject>
#include <memory>

#include "lesson/CorrectorStructureWindow.h"
#include "lesson/FrequencyResponseWindow.h"
#include "lesson/RelayTestWindow.h"
#include "regulation/IndustrialPidLaw.h"
#include "regulation/RelayLaw.h"
#include "regulation/RunEvents.h"
#include "session/Session.h"

namespace vantor {

class TForm1;

class ControlLawsMenu : public QObject, private RunObserver, private SessionObserver {
  Q_OBJECT
 public:
  // Adds the commands at the end of the form's "Essais" menu, after a separator.
  explicit ControlLawsMenu(TForm1& form);

  QAction* Essaiderelais1 = nullptr;          // "Essai de relais…"
  QAction* Structureducorrecteur1 = nullptr;  // "Structure du correcteur…"
  QAction* Reponsefrequentielle1 = nullptr;   // "Réponse fréquentielle…"
  FrequencyResponseWindow* FrequencyWindow() const { return frequency_; }
  RelayTestWindow* RelayWindow() const { return relay_; }
  CorrectorStructureWindow* StructureWindow() const { return structure_; }
  IndustrialPidLaw& Industrial() { return industrial_; }

  void Essaiderelais1Click();
  void Structureducorrecteur1Click();
  void Reponsefrequentielle1Click();

  // ---- Run events (the main window's RunEvents) ----------------------------------------
  void RunStarted(const RegulationState& s) override;
  void CycleRecorded(const RegulationState& s) override;
  // ---- The session: each run made, with the run itself ----------------------------------
  void RunRecorded(const Trial& run) override;

 private:
  void LaunchRelayTest(const RelaySettings& settings);
  void ApplyProposal(const GainProposal& g);
  void ApplyStructure();
  void ShowGains();
  void RunSweep();
  // The three gain fields as the next "Début" would read them.
  LoopGains FieldGains() const;

  TForm1& form_;
  RelayTestWindow* relay_ = nullptr;
  CorrectorStructureWindow* structure_ = nullptr;
  FrequencyResponseWindow* frequency_ = nullptr;
  bool frequencyPlaced_ = false;  // placed once, then where the user leaves it
  bool sweeping_ = false;  // the sweep's runs end once the record is full
  IndustrialPidLaw industrial_{IndustrialPidSettings{}};
  std::unique_ptr<RelayLaw> onOff_, relayTest_;
  // The law the structure window chose (null: the main window's corrector), and whether
  // the run under way set it aside (an open-loop run sends the setpoint whatever the law).
  CorrectorLaw* chosen_ = nullptr;
};

}  // namespace vantor
