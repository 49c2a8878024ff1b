// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's start-up, the one sequence that both the main window and the
// headless tool run: the eleven settings read from the settings store (each checked
// against what the settings window accepts), the card's initialisation and the initial
// values of the regulation state, in the start-up's own order. The window observes the
// steps to write its captions.
#include <cstdint>
#include <string>

#include "card/AcquisitionCard.h"
#include "regulation/Regulation.h"

namespace vantor {

// What the start-up leaves in the main window besides the regulation state.
struct StartupFields {
  std::int32_t ADR1 = 0, ADR2 = 0;
  GainFields Gains;         // "0", "0", "0"
  SetpointFields Setpoint;  // Edit6 = short form of valmoymini, Edit7 = "0.1"
};

// The steps after which the window has something to show, in their order.
enum class StartUpStep {
  CardAtRest,      // card initialised, output 2 at 2048, output 1 at 0: "Sortie1(10v)" menu
  GainsCleared,    // Kp, Ki, Kd at 0: Edit1, Edit3, Edit2
  StepLimit,       // finalech: Label4
  MeanLimits,      // valmoymini, valmoymaxi: Label7, Edit6
  AmplitudeLimit,  // amplimaxi: Label14, Edit7
  OrderLimits,     // ordremaxi, ordremini: Label16
  SetpointPanels,  // hide the three setpoint panels, Panel15 "Consigne:? "
  LoopClosed,      // frequency, LoopMode "fermee": Label9, ferme1
  KpRange,         // kpmax: Label3
  KdRange,         // kdmax: Label5
  KiRange,         // kimax: Label6
};

class StartUpObserver {
 public:
  virtual ~StartUpObserver() = default;
  // Step 4: the card, at the two addresses just read when it is the ISA card, for the
  // sequence to initialise. Opening it may throw VantorError (port access refused, no
  // board on the serial port).
  virtual AcquisitionCard& OpenCard(std::int32_t adr1, std::int32_t adr2) = 0;
  // Called once each step is done, with the state already set.
  virtual void StepDone(StartUpStep step) = 0;
};

// A gain range as the start-up takes it from its file's text: the decimal value rounded
// to the nearest integer (halves to even). A hand-edited value beyond the 32-bit range is
// refused rather than wrapped round to an arbitrary bound.
std::int32_t GainRangeFromText(const std::string& text);

// Runs the start-up: removes what interrupted saves left in the settings folder, sets
// "." as the decimal separator, then adr1, adr2, the card's initialisation (on the ISA
// card CardInit and range 'u'), output 2 at 2048, output 1 at 0, the constants, finalech,
// valmoymini, valmoymaxi, amplimaxi, ordremaxi, ordremini, the frequency, the loop mode, kpmax,
// kdmax, kimax. Files are read as `folder` + "sauvegarde/<name>.rtf" (folder "" for the working
// directory, otherwise ending with "/"). A failing step throws VantorError and every later step is
// left undone: the state keeps what the steps already done have set. Besides the settings store's
// errors, a value that does not convert, or that lies outside what the settings window accepts,
// fails its step; the message's second line names the file.
void RunStartUp(RegulationState& s, StartUpObserver& observer, const std::string& folder,
                StartupFields& out);

}  // namespace vantor
