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
// gives up at 60 s. The same reading runs during the test (to stop it) and afterwards
// on the record, on the values in hundredths the record holds, so both agree. Qt-free.
#include <string>
#include <vector>

#include "regulation/Trial.h"
#include "regulation/TuningRules.h"

namespace vantor {

// The test stops once this many consecutive periods agree within kRelayPeriodTolerance.
constexpr int kRelaySteadyPeriods = 4;
constexpr double kRelayPeriodTolerance = 0.05;
// The test's limit, in seconds of run.
constexpr double kRelayLimitSeconds = 60.0;

struct RelaySettings {
  double Amplitude = 0;   // d, V
  double Hysteresis = 0;  // ε, V
  double Bias = 0;        // the order's centre, V
};

// Zero crossings and periods of an error signal fed one entry at a time.
class RelayOscillation {
 public:
  // `hysteresis` is the relay's ε: a crossing counts only once the error has gone below
  // a band under zero since the last one, so that the noise around zero does not count.
  RelayOscillation(double hysteresis, double sampleSeconds);
  // Entry k of the run (k from 1), its error and feedback in volts.
  void Add(int k, double error, double feedback);

  // Times of the upward zero crossings (s), interpolated between entries.
  const std::vector<double>& Crossings() const { return crossings_; }
  // Half the feedback's peak-to-peak between consecutive crossings (V), one per period.
  const std::vector<double>& HalfSwings() const { return halfSwings_; }
  int WholePeriods() const { return static_cast<int>(halfSwings_.size()); }
  // The index of the first of the last kRelaySteadyPeriods periods when they agree, else -1.
  int SteadyFrom() const;
  bool Steady() const { return SteadyFrom() >= 0; }

 private:
  double band_, h_;
  bool armed_ = false;
  bool havePrevious_ = false;
  double previousError_ = 0, previousTime_ = 0;
  double high_ = 0, low_ = 0;
  std::vector<double> crossings_, halfSwings_;
};

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

// What is wrong with a relay's settings, in French, or empty: d from 0 (excluded) to
// 10 V, ε from 0 to 2 V, the bias from -10 to 10 V.
std::string RelaySettingsFault(const RelaySettings& settings);

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
