// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson-core/FrequencyResponse.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>

namespace vantor {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Decimals(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The period of the recorded setpoint in samples: the generator's whole number near the
// nominal one, found where the record repeats itself.
int GeneratedPeriod(const Trial& run, int from, double nominalSamples) {
  const int guess = static_cast<int>(std::lround(nominalSamples));
  for (int p : {guess, guess + 1, guess - 1}) {
    if (p < 2 || from + p > run.LastEntry) continue;
    bool repeats = true;
    for (int k = from; k + p <= run.LastEntry && repeats; ++k)
      repeats = run.At(kSeriesSetpoint, k) == run.At(kSeriesSetpoint, k + p);
    if (repeats) return p;
  }
  return std::max(2, guess);
}

// Least squares of y on 1, t, cos ωt, sin ωt over entries [from, to): the complex
// amplitude A − jB of the first harmonic (y ≈ Re((A − jB) e^{jωt}).
std::complex<double> FirstHarmonic(const Trial& run, int series, int from, int to, double w,
                                   double h) {
  std::array<std::array<double, 5>, 4> m{};  // normal equations, augmented
  for (int k = from; k < to; ++k) {
    const double t = (k - from) * h;
    const double x[4] = {1, t, std::cos(w * t), std::sin(w * t)};
    const double y = run.At(series, k) / 100.0;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) m[i][j] += x[i] * x[j];
      m[i][4] += x[i] * y;
    }
  }
  // Gauss–Jordan with partial pivoting.
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[pivot][c])) pivot = r;
    std::swap(m[c], m[pivot]);
    for (int r = 0; r < 4; ++r) {
      if (r == c || m[c][c] == 0) continue;
      const double f = m[r][c] / m[c][c];
      for (int j = c; j < 5; ++j) m[r][j] -= f * m[c][j];
    }
  }
  const double a = m[2][4] / m[2][2], b = m[3][4] / m[3][3];
  return {a, -b};
}

}  // namespace

FrequencyPoint AnalyseFrequencyResponse(const Trial& run, double settlingSeconds) {
  FrequencyPoint p;
  p.OpenLoop = run.IsOpenLoop();
  if (!run.SetpointKind.empty() && run.SetpointKind != "sin") {
    p.Reason = "l'essai n'a pas une consigne sinusoïdale (bouton « Sinus. »)";
    return p;
  }
  if (!(run.SetpointFrequency > 0)) {
    p.Reason = "la fréquence de la consigne n'est pas connue";
    return p;
  }
  const double h = run.SamplePeriodMs / 1000.0;
  const int from = std::max(1, static_cast<int>(std::ceil(settlingSeconds / h)));
  const double nominal = 1 / (static_cast<double>(run.SetpointFrequency) * h);
  const int period = GeneratedPeriod(run, from, nominal);
  p.Frequency = 1 / (period * h);
  p.Periods = from <= run.LastEntry ? (run.LastEntry - from + 1) / period : 0;
  if (p.Periods < kFrequencyLeastPeriods) {
    p.Reason = "il ne reste que " + std::to_string(p.Periods) +
               " période(s) entière(s) après le temps d'établissement de " +
               Decimals(settlingSeconds, 0) + " s (il en faut " +
               std::to_string(kFrequencyLeastPeriods) +
               ") : augmenter la fréquence ou laisser durer l'essai";
    return p;
  }
  const int to = from + p.Periods * period;
  const double w = 2 * kPi * p.Frequency;
  const std::complex<double> r = FirstHarmonic(run, kSeriesSetpoint, from, to, w, h);
  const std::complex<double> y = FirstHarmonic(run, kSeriesFeedback, from, to, w, h);
  p.SetpointAmplitude = std::abs(r);
  p.FeedbackAmplitude = std::abs(y);
  if (p.SetpointAmplitude < kFrequencyLeastSetpointVolts) {
    p.Reason = "l'amplitude de la consigne (" + Decimals(p.SetpointAmplitude, 3) +
               " V) est trop faible : il faut au moins " +
               Decimals(kFrequencyLeastSetpointVolts, 2) + " V";
    return p;
  }
  if (p.FeedbackAmplitude < kFrequencyLeastFeedbackVolts) {
    p.Reason = "l'amplitude du retour (" + Decimals(p.FeedbackAmplitude, 3) +
               " V) est trop faible pour être distinguée du bruit : il faut au moins " +
               Decimals(kFrequencyLeastFeedbackVolts, 2) + " V (augmenter l'amplitude)";
    return p;
  }
  const std::complex<double> ratio = y / r;
  p.Gain = std::abs(ratio);
  p.GainDb = 20 * std::log10(p.Gain);
  p.Phase = std::arg(ratio) * 180 / kPi;
  if (p.Phase > 10) p.Phase -= 360;
  p.Measured = true;
  return p;
}

std::string FrequencyLines(const FrequencyPoint& p) {
  if (!p.Measured)
    return "frequence=" + (p.Frequency > 0 ? Decimals(p.Frequency, 4) : std::string("-")) +
           "\ngain=-\ngain_db=-\nphase=-\nperiodes=" + std::to_string(p.Periods) + "\n";
  return "frequence=" + Decimals(p.Frequency, 4) + "\ngain=" + Decimals(p.Gain, 4) +
         "\ngain_db=" + Decimals(p.GainDb, 2) + "\nphase=" + Decimals(p.Phase, 1) +
         "\nperiodes=" + std::to_string(p.Periods) + "\n";
}

std::complex<double> DelayedFirstOrder::At(double frequency) const {
  const double w = 2 * kPi * frequency;
  return K * std::polar(1.0, -w * L) / std::complex<double>(1, w * T);
}

ProcessModelFit AsModelFit(const DelayedFirstOrder& model) {
  ProcessModelFit m;
  m.Kind = ModelKind::LeastSquares;
  m.K = model.K;
  m.T = model.T;
  m.Delay = model.L;
  return m;
}

namespace {

// The model's lag in radians at ω (rad/s), rising with ω.
double Lag(const ProcessModelFit& m, double w) {
  const double lag = w * m.Delay;
  if (m.Integrating) return lag + kPi / 2;
  return lag + m.Order * std::atan(w * m.T);
}

// The model's gain at ω, falling with ω.
double Magnitude(const ProcessModelFit& m, double w) {
  if (m.Integrating) return std::fabs(m.K) / w;
  return std::fabs(m.K) / std::pow(1 + w * m.T * w * m.T, m.Order / 2.0);
}

// The ω in (0, 1e6] where a rising function reaches a value, by bisection; none when it
// stays below.
std::optional<double> Reaching(const std::function<double(double)>& rising, double value) {
  double lo = 0, hi = 1e-3;
  while (rising(hi) < value && hi < 1e6) hi *= 2;
  if (rising(hi) < value) return std::nullopt;
  for (int i = 0; i < 200; ++i) {
    const double mid = (lo + hi) / 2;
    (rising(mid) < value ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

}  // namespace

std::complex<double> ModelResponseAt(const ProcessModelFit& model, double frequency) {
  const double w = 2 * kPi * frequency;
  return std::polar(Magnitude(model, w), -Lag(model, w)) * (model.K < 0 ? -1.0 : 1.0);
}

double ModelGainDb(const ProcessModelFit& model, double frequency) {
  return 20 * std::log10(Magnitude(model, 2 * kPi * frequency));
}

double ModelPhaseDegrees(const ProcessModelFit& model, double frequency) {
  return -Lag(model, 2 * kPi * frequency) * 180 / kPi;
}

LoopMargins MarginsWithP(const ProcessModelFit& model, double kp) {
  LoopMargins m;
  const double loopGain = std::fabs(kp);
  if (loopGain == 0 || model.K == 0) return m;
  auto loop = [&](double w) { return loopGain * Magnitude(model, w); };
  if (const auto w = Reaching([&](double x) { return Lag(model, x); }, kPi)) {
    m.HasGainMargin = true;
    m.PhaseCrossover = *w / (2 * kPi);
    m.GainMarginDb = -20 * std::log10(loop(*w));
  }
  // The gain falls: where its inverse reaches one. A stable model without time constant
  // keeps its gain at every frequency.
  const bool falls = model.Integrating || (model.T > 0 && model.Order > 0);
  if (falls && loop(1e-9) > 1) {
    if (const auto w = Reaching([&](double x) { return 1 / loop(x); }, 1)) {
      m.HasPhaseMargin = true;
      m.GainCrossover = *w / (2 * kPi);
      m.PhaseMargin = 180 - Lag(model, *w) * 180 / kPi;
    }
  }
  return m;
}

LoopMargins MarginsWithP(const DelayedFirstOrder& model, double kp) {
  return MarginsWithP(AsModelFit(model), kp);
}

std::vector<double> SweepFrequencies(int count, int samplePeriodMs, double settlingSeconds) {
  const double h = samplePeriodMs / 1000.0;
  const double usable = kRecordLastEntry * h - settlingSeconds;
  const double lowest = 3 / usable, highest = 1.0;
  std::vector<double> out;
  for (int i = 0; i < count; ++i) {
    const double f =
        count == 1 ? lowest : lowest * std::pow(highest / lowest, i / double(count - 1));
    // Whole samples per period, rounded down so that the lowest still fits.
    const int samples = std::max(2, static_cast<int>(std::floor(1 / (f * h))));
    const double generated = 1 / (samples * h);
    if (out.empty() || generated > out.back() * 1.0001) out.push_back(generated);
  }
  return out;
}

}  // namespace vantor
