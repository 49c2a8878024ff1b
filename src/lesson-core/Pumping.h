// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ziegler–Nichols' closed-loop pumping: a run with a proportional corrector alone whose
// gain was raised until the loop oscillates without end. The critical gain Ku is the
// run's Kp and the critical period Tu the mean period of the error's oscillation, read on
// the crossings of its mean (a P loop keeps an error at rest) over the last complete
// periods. The ratio of successive peaks of the same sign says whether the oscillation is
// sustained (within ±10 %), damped or divergent; one that does not die out while the order
// reaches its limits is bounded by them (Ku is then below the run's Kp).
// Qt-free.
#include <string>
#include <vector>

#include "regulation/Trial.h"

namespace vantor {

enum class Oscillation { Sustained, Damped, Divergent, Bounded };

struct Pumping {
  // False when the run cannot be read so; Reason says why, in French (no full stop).
  bool Measured = false;
  std::string Reason;

  double Ku = 0;           // the run's Kp
  double Tu = 0;           // s
  double PeakRatio = 0;    // per period, |peak n+1| / |peak n|, geometric mean
  Oscillation Kind = Oscillation::Sustained;
  int PeriodsUsed = 0;
  // Times (s) of the zero crossings of the error counted, for the chart.
  std::vector<double> Crossings;
};

// How many of the last complete periods Tu is averaged over, at most.
constexpr int kPumpingPeriods = 4;

Pumping MeasurePumping(const Trial& run);

// "entretenue", "amortie", "divergente" or "bornée par les limites de l'ordre".
std::string OscillationWord(Oscillation kind);

// Ku, Tu and oscillation as `name=value` lines ('-' for each when not measured).
std::string PumpingLines(const Pumping& p);

}  // namespace vantor
