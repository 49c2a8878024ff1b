// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The card checked with a loopback wire from output 1 to input 0: output 1 steps through
// five levels, input 0 reads each back after it settled, and the card is within its
// tolerance when every reading is within 1 % of the 10 V full scale. The order (output
// 2) stays at rest throughout; the outputs are at rest afterwards, also when the card
// fails (its error is then thrown).
#include <string>
#include <vector>

#include "card/AcquisitionCard.h"

namespace vantor {

struct DiagnosticLevel {
  double Output1Volts = 0;  // what output 1 was set to
  double Input0Volts = 0;   // the mean of the readings of input 0
  double ErrorVolts() const { return Input0Volts - Output1Volts; }
};

struct CardDiagnostic {
  static constexpr double kToleranceVolts = 0.10;  // 1 % of 10 V
  std::vector<DiagnosticLevel> Levels;
  bool WithinTolerance() const;
  // The verdict in French, naming what to check when it fails.
  std::string Verdict() const;
};

// `periodMs` paces the readings: a few periods to settle at each level, then eight
// readings averaged. A card that failed is reset first; a failure during the check stays
// the card's (AcquisitionCard::Failed) and is thrown, the outputs at rest.
CardDiagnostic RunLoopbackDiagnostic(AcquisitionCard& card, int periodMs = 50);

}  // namespace vantor
