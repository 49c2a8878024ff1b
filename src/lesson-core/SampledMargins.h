// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The margins of the loop as the workstation closes it, computed on the sampled loop
// itself rather than on a continuous approximation:
//
//   L(z) = C(z) · M(z) · G(z),   z = e^(jωTe), Te = 50 ms
//
//   C(z) = Kp + Ki·Te / (1 − z⁻¹) + Kd·(1 − z⁻¹) / Te   the corrector's discrete law (the
//          derivative's decay after a jump is left out: it is not linear)
//   M(z) = (1 + z⁻¹ + … + z⁻⁹) / 10                     the feedback, mean of ten readings
//   G(z)                                                 the process between the order
//          written at a cycle, held until the next (zero-order hold), and the reading at
//          the cycles after, with its delay whole and fractional, computed exactly from the
//          process's state equations
//
// From it: the gain margin (where the phase crosses −180°), the phase margin (where the
// gain crosses 1), and the critical gain Kc and period Tc of the P loop (the Kp at which a
// P corrector alone pumps, and its period): what the pumping measures. Qt-free.
#include <complex>
#include <string>

#include "lesson-core/Identification.h"
#include "simulation/ProcessModel.h"

namespace vantor {

struct LoopGains {
  double Kp = 0, Ki = 0, Kd = 0;
};

struct SampledLoop {
  LinearProcess Process;
  LoopGains Gains;
  double SamplePeriod = 0.05;  // Te, s
  int MeanReadings = 10;
};

// The process alone, G(e^(jωTe)), from the order to the reading.
std::complex<double> SampledProcessResponse(const SampledLoop& loop, double frequency);
// M(e^(jωTe)) · G(e^(jωTe)): what a P corrector of gain 1 closes the loop around.
std::complex<double> SampledPlantResponse(const SampledLoop& loop, double frequency);
// The whole open loop L(e^(jωTe)).
std::complex<double> SampledLoopResponse(const SampledLoop& loop, double frequency);

struct SampledMargins {
  // False when nothing can be computed; Reason then says why, in French.
  bool Computed = false;
  std::string Reason;
  bool HasGainMargin = false;
  double GainMarginDb = 0, PhaseCrossover = 0;  // dB, Hz
  bool HasPhaseMargin = false;
  double PhaseMargin = 0, GainCrossover = 0;  // degrees, Hz
  bool HasCriticalGain = false;
  double Kc = 0, Tc = 0;  // the P loop's critical gain and period (s)
};

SampledMargins ComputeSampledMargins(const SampledLoop& loop);

// The loop of an identified model: its delay, read on the feedback, holds the mean's
// 0.225 s, which the loop adds again.
LinearProcess LinearOfModel(const ProcessModelFit& model);

// "premier ordre K = 1, T = 0,5 s, retard 0,225 s" …, in French, for the windows and the
// tool.
std::string LinearProcessText(const LinearProcess& p);

// marge_gain_db, marge_phase, frequence_marge_gain, frequence_marge_phase, Kc, Tc as
// `name=value` lines, '-' for what does not exist; two decimals (three for frequencies).
std::string SampledMarginLines(const SampledMargins& m);

}  // namespace vantor
