// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The frequency response read from a sine-setpoint run: the gain and phase of the
// feedback relative to the setpoint at the run's frequency. After a settling time, over
// the whole periods that remain, both signals are fitted by least squares with
// c + s·t + A·cos ωt + B·sin ωt (the first-harmonic correlation, with the slow drift of
// a response still settling taken out); the ratio of the two first harmonics gives
// the gain and the phase. In open loop this is the process's response (with the card,
// the feedback's averaging and the sampling), in closed loop the loop's.
//
// The frequency is the one the setpoint generator really produced: its sine restarts
// each period on a whole number of samples, so a period of 33.33 s runs 667 samples.
// Qt-free.
#include <complex>
#include <string>
#include <vector>

#include "lesson-core/Identification.h"
#include "regulation/Trial.h"

namespace vantor {

constexpr double kFrequencySettlingSeconds = 20.0;
constexpr int kFrequencyLeastPeriods = 2;
// Least first-harmonic amplitudes: the setpoint's, and the feedback's above its noise.
constexpr double kFrequencyLeastSetpointVolts = 0.05;
constexpr double kFrequencyLeastFeedbackVolts = 0.02;

struct FrequencyPoint {
  // False when there is no point; Reason then says why, in French (a sentence without
  // its final full stop).
  bool Measured = false;
  std::string Reason;
  bool OpenLoop = false;
  double Frequency = 0;  // Hz, as generated
  double Gain = 0;       // V/V
  double GainDb = 0;
  double Phase = 0;  // degrees, negative for a lag, in (-350, 10]
  int Periods = 0;   // whole periods used
  double SetpointAmplitude = 0, FeedbackAmplitude = 0;  // V
};

FrequencyPoint AnalyseFrequencyResponse(const Trial& run,
                                        double settlingSeconds = kFrequencySettlingSeconds);

// frequence, gain, gain_db, phase, periodes as `name=value` lines; '-' for the values
// of a point not measured.
std::string FrequencyLines(const FrequencyPoint& p);

// A first order with delay, K·e^(−jωL)/(1 + jωT): the model the Bode plot is compared
// with.
struct DelayedFirstOrder {
  double K = 1, T = 1, L = 0;
  std::complex<double> At(double frequency) const;
};

// The same as an identified model (one first order with delay).
ProcessModelFit AsModelFit(const DelayedFirstOrder& model);

// The frequency response of an identified model: K·e^(−jωL)/(1 + jωT)^n for a stable
// process, k·e^(−jωL)/(jω) for an integrator (L the model's delay, the feedback's
// averaging included, as in the points measured).
std::complex<double> ModelResponseAt(const ProcessModelFit& model, double frequency);
// Its gain in dB, and its phase in degrees, continuous in the frequency: from 0 (or −90
// for an integrator) down, never wrapped.
double ModelGainDb(const ProcessModelFit& model, double frequency);
double ModelPhaseDegrees(const ProcessModelFit& model, double frequency);

// Margins of the loop a P corrector of gain kp would close around `model`: the open
// loop kp·G, its phase crossover (phase −180°) and its gain crossover (gain 0 dB).
struct LoopMargins {
  bool HasGainMargin = false;                   // a phase crossover exists
  double GainMarginDb = 0, PhaseCrossover = 0;  // dB, Hz
  bool HasPhaseMargin = false;                  // the loop gain crosses 1
  double PhaseMargin = 0, GainCrossover = 0;    // degrees, Hz
};
LoopMargins MarginsWithP(const ProcessModelFit& model, double kp);
LoopMargins MarginsWithP(const DelayedFirstOrder& model, double kp);

// `count` frequencies, log-spaced, that a run's record holds: from the lowest that
// leaves three whole periods after the settling time to 1 Hz, each on a whole number
// of samples.
std::vector<double> SweepFrequencies(int count, int samplePeriodMs = 50,
                                     double settlingSeconds = kFrequencySettlingSeconds);

}  // namespace vantor
