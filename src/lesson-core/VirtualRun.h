// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs of the regulation engine without windows, in this process: the simulated card and
// its clock (virtual time unless told otherwise), and one run on any card as the main
// window makes it, with the same corrector, averaging, limits and recording. The
// predictions, the headless tool and the tests all run this way. Qt-free.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "card/AcquisitionCard.h"
#include "card/PortBus.h"
#include "card/SimulatedCard.h"
#include "lesson-core/Identification.h"
#include "regulation/Regulation.h"
#include "regulation/RunEvents.h"
#include "regulation/StartUp.h"
#include "regulation/Trial.h"
#include "simulation/Clock.h"
#include "simulation/ProcessModel.h"

namespace vantor {

class CorrectorLaw;

// The simulated card at adr1/adr2 with `process`, on a virtual clock of its own unless
// `clock` is given (the real one, for a run paced as at the workstation), and the ISA card
// opened on it by the card opener.
class SimulatedBench {
 public:
  explicit SimulatedBench(std::unique_ptr<ProcessModel> process,
                          std::uint16_t adr1 = SimulatedCard::kFactoryAdr1,
                          std::uint16_t adr2 = SimulatedCard::kFactoryAdr2, Clock* clock = nullptr);
  SimulatedBench(const SimulatedBench&) = delete;
  SimulatedBench& operator=(const SimulatedBench&) = delete;

  // Opens the card on the simulated card, or on `through`, a bus that wraps it (the
  // headless tool's port log). Once, before Card().
  AcquisitionCard& Open(PortBus* through = nullptr);
  AcquisitionCard& Card() { return *card_; }
  SimulatedCard& Simulated() { return simulated_; }
  Clock& Time() { return clock_; }

 private:
  VirtualClock virtual_;
  Clock& clock_;
  SimulatedCard simulated_;
  std::uint16_t adr1_, adr2_;
  std::unique_ptr<AcquisitionCard> card_;
};

// The start-up on a card already open, as the main window runs it and nothing shown.
void StartUpOnCard(RegulationState& s, AcquisitionCard& card, const std::string& folder,
                   StartupFields& out);

// One run as the main window's user makes it, in the window's order: output 1, the loop
// mode and the law, a setpoint button, the fields typed after it, the gains read (and
// bounded), then "Début"; "Fin" in the message turn of the Cycles-th cycle, or earlier
// when StopEarly says so.
struct WindowlessRun {
  bool Output1Active = false;  // output 1 at 10 V ("Sortie1(10v)")
  bool OpenLoop = false;
  CorrectorLaw* Law = nullptr;  // the run's law when another than the loop mode's
  int Button = 0;               // setpoint button (PressSetpointButton); 0: none pressed
  SetpointFields Fields;        // the setpoint fields before the button
  std::optional<std::string> Edit4, Edit5, Edit6, Edit7;  // typed after the button
  std::optional<GainFields> Gains;  // typed gains; none: the state's gains as they are
  long Cycles = 1;
  bool RealTime = false;  // real-time scheduling when the system permits it
  // Called at each message turn (1, 2, ...), where "Fin" or a window would act.
  std::function<void(long)> OnTurn;
  // Asked at each message turn after OnTurn: true ends the run there.
  std::function<bool()> StopEarly;
  // Called last before "Début": nothing reaches the card after it before the first cycle.
  std::function<void()> Starting;
};

// What a run leaves besides the regulation state, filled as the run goes, so that a run
// that throws leaves what it had reached.
struct WindowlessRunResult {
  GainFields TypedGains, Gains;         // as typed, as read (corrected)
  SetpointFields TypedFields, Fields;   // as typed, as the run left them (corrected)
  std::string Message;                  // the last message the run gave ("Entrer une consigne")
};

// The run of `run` on `card`, its periods measured on `clock`, its events told to `events`.
// Throws what ReadGains and RunRegulation throw.
void RunWithoutWindows(RegulationState& s, AcquisitionCard& card, Clock& clock,
                       const WindowlessRun& run, WindowlessRunResult& result,
                       const RunEvents& events = RunEvents());

// Runs `process` (reset to rest first) for `cycles` cycles with the gains, loop mode and
// limits of `settings` and a step setpoint whose field reads `stepText`, as "Echelon"
// then "Début" would. The workstation's state is not touched. Throws VantorError when the
// step field does not convert or the run fails.
std::unique_ptr<Trial> RunInVirtualTime(const RegulationState& settings,
                                        std::unique_ptr<ProcessModel> process,
                                        const std::string& stepText, long cycles);

// The simulated process of an identified model ("modèle identifié", the registry's
// ordre1, strejc or integrateur), noiseless, at rest at `restVolts` (the feedback before
// the identified step, less what the order before it held there: K · u before). Throws
// VantorError with the parameters dialog's message for a value out of its range. The model
// keeps the actuator's floor of `identified`, the run it was identified on (a heater cannot
// cool: its model receives no negative order either).
std::unique_ptr<ProcessModel> ProcessOfModel(const ProcessModelFit& model, double restVolts,
                                             const Trial* identified = nullptr);

}  // namespace vantor
