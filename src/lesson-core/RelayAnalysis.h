// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The relay test read from a run record (Åström–Hägglund). Under a relay of amplitude d
// with a hysteresis ±ε the loop settles into a limit cycle; its period Tu is taken
// between successive upward zero crossings of the error, its amplitude a as half the
// feedback's peak-to-peak over each of those periods, and the first harmonic of the
// relay's square wave (4d/π) gives the critical gain
//
//   Ku = 4d / (π √(a² − ε²)).
//
// The oscillation is steady when four consecutive periods agree within 5 %; the test
// gives up at 60 s. The same reading (RelayOscillation, the law's own) runs during the
// test to stop it and here on the record, on the values in hundredths the record holds,
// so both agree. Qt-free.
#include <string>
#include <vector>

#include "lesson-core/TuningRules.h"
#include "regulation/RelayLaw.h"
#include "regulation/RelayOscillation.h"
#include "regulation/Trial.h"

namespace vantor {

struct RelayResult {
  // False when there is no result; Reason then says why, in French (a sentence without
  // its final full stop).
  bool Measured = false;
  std::string Reason;
  RelaySettings Settings;
  double A = 0;        // a, V
  double Tu = 0;       // s
  double Ku = 0;       // V/V
  int Periods = 0;     // whole periods in the record
  double StartTime = 0;  // the first of the periods used (s)
  std::vector<GainProposal> Proposals;  // Ziegler–Nichols then Tyreus–Luyben
};

// The relay test on a recorded run made with `settings`.
RelayResult AnalyseRelay(const Trial& run, const RelaySettings& settings);

// d, bias and ε as the record shows them, for a run whose relay is not known (a run
// file): the two order levels give d and the bias; ε is taken as the smallest error at
// which the order switched, a little above the true one by the error's motion in one
// sample. False when the order does not switch between two levels.
bool RelaySettingsFromRecord(const Trial& run, RelaySettings& out);

// ε proposed for a relay test from the feedback's noise measured before a run's step
// (the entries before the setpoint first changes): three standard deviations about the
// line through them (a slow drift is not noise), at
// least 0.02 V, rounded up to the hundredth. False (and `reason` set) when the run has
// fewer than 20 such entries.
bool ProposedHysteresis(const Trial& run, double& epsilon, std::string& reason);

// a, Tu, Ku and periodes as `name=value` lines, three decimals; '-' for each when not
// measured.
std::string RelayLines(const RelayResult& r);

}  // namespace vantor
