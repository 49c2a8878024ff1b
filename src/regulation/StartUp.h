#pragma once
// The regulation side of the main window's start-up: the eleven settings read from the
// settings store, the card's initialisation and the initial values of the regulation
// state, in the start-up's own order. The window writes its captions around the same
// values; the headless tool uses this sequence as it stands.
#include <cstdint>
#include <string>

#include "AD2var.h"
#include "Regulation.h"

namespace vantor {

// What the start-up leaves in the main window besides the regulation state.
struct StartupFields {
  std::int32_t ADR1 = 0, ADR2 = 0;
  GainFields Gains;         // "0", "0", "0"
  SetpointFields Setpoint;  // Edit6 = short form of valmoymini, Edit7 = "0.1"
};

// Runs the start-up steps that concern the state: adr1, adr2, CardInit, range 'u',
// output 2 at 2048, output 1 at 0, the constants, finalech, valmoymini, valmoymaxi,
// amplimaxi, ordremaxi, ordremini, the frequency, the loop mode, kpmax, kdmax, kimax.
// Files are read as `folder` + "sauvegarde/<name>.rtf" (folder "" for the working
// directory, otherwise ending with "/"). A failing step throws VantorError and every
// later step is left undone, as in the window: the state keeps what the steps already
// done have set.
// A gain range as the start-up takes it from its file's text: the decimal value rounded
// to the nearest integer (halves to even). A hand-edited value beyond the 32-bit range is
// refused rather than wrapped round to an arbitrary bound.
std::int32_t GainRangeFromText(const std::string& text);

void LoadStartupSettings(RegulationState& s, AD2var& card, const std::string& folder,
                         StartupFields& out);

}  // namespace vantor
