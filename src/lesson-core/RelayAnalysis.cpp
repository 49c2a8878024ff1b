// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson-core/RelayAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "common/Numbers.h"

namespace vantor {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Volts(const Trial& run, int series, int k) {
  return run.At(series, k) / 100.0;
}

std::string Decimals(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace

RelayResult AnalyseRelay(const Trial& run, const RelaySettings& settings) {
  RelayResult r;
  r.Settings = settings;
  const double h = run.SamplePeriodMs / 1000.0;
  RelayOscillation oscillation(settings.Hysteresis, h);
  for (int k = 1; k <= run.LastEntry; ++k)
    oscillation.Add(k, Volts(run, kSeriesError, k), Volts(run, kSeriesFeedback, k));
  r.Periods = oscillation.WholePeriods();
  if (r.Periods < kRelaySteadyPeriods) {
    r.Reason = "le retour n'a pas oscillé : " + std::to_string(r.Periods) +
               " période(s) entière(s) en " + Decimals(run.LastEntry * h, 1) +
               " s, il en faut " + std::to_string(kRelaySteadyPeriods) +
               " (augmenter d, ou réduire \u03b5 si le relais ne bascule pas)";
    return r;
  }
  // The last four periods that agree: the latest, most settled part of the cycle.
  const std::vector<double>& c = oscillation.Crossings();
  const std::vector<double>& swings = oscillation.HalfSwings();
  int from = -1;
  for (int i = r.Periods - kRelaySteadyPeriods; i >= 0 && from < 0; --i) {
    double shortest = 1e300, longest = 0;
    for (int j = i; j < i + kRelaySteadyPeriods; ++j) {
      const double period = c[static_cast<std::size_t>(j) + 1] - c[static_cast<std::size_t>(j)];
      shortest = std::min(shortest, period);
      longest = std::max(longest, period);
    }
    if (longest <= shortest * (1 + kRelayPeriodTolerance)) from = i;
  }
  if (from < 0) {
    r.Reason = "les périodes de l'oscillation ne s'accordent pas à 5 % près sur " +
               std::to_string(kRelaySteadyPeriods) +
               " périodes consécutives (oscillation pas encore établie)";
    return r;
  }
  const std::size_t f = static_cast<std::size_t>(from);
  r.StartTime = c[f];
  r.Tu = (c[f + kRelaySteadyPeriods] - c[f]) / kRelaySteadyPeriods;
  double sum = 0;
  for (std::size_t j = f; j < f + kRelaySteadyPeriods; ++j) sum += swings[j];
  r.A = sum / kRelaySteadyPeriods;
  const double eps = settings.Hysteresis;
  if (r.A <= eps) {
    r.Reason = "l'amplitude de l'oscillation (" + Decimals(r.A, 3) +
               " V) ne dépasse pas l'hystérésis \u03b5 (" + Decimals(eps, 3) + " V)";
    return r;
  }
  r.Ku = 4 * settings.Amplitude / (kPi * std::sqrt(r.A * r.A - eps * eps));
  r.Proposals = ZieglerNicholsClosedLoop(r.Ku, r.Tu);
  for (GainProposal& g : TyreusLuyben(r.Ku, r.Tu)) r.Proposals.push_back(g);
  r.Measured = true;
  return r;
}

bool RelaySettingsFromRecord(const Trial& run, RelaySettings& out) {
  // The two levels the order takes most often.
  std::map<std::int32_t, int> counts;
  for (int k = 1; k <= run.LastEntry; ++k) ++counts[run.At(kSeriesOrder, k)];
  std::int32_t first = 0, second = 0;
  int firstCount = 0, secondCount = 0;
  for (const auto& [level, n] : counts) {
    if (n > firstCount) {
      second = first;
      secondCount = firstCount;
      first = level;
      firstCount = n;
    } else if (n > secondCount) {
      second = level;
      secondCount = n;
    }
  }
  if (secondCount == 0) return false;
  const std::int32_t high = std::max(first, second), low = std::min(first, second);
  double smallest = 1e300;
  for (int k = 2; k <= run.LastEntry; ++k) {
    const std::int32_t before = run.At(kSeriesOrder, k - 1), now = run.At(kSeriesOrder, k);
    if (before != now && (now == high || now == low) && (before == high || before == low))
      smallest = std::min(smallest, std::fabs(Volts(run, kSeriesError, k)));
  }
  if (smallest == 1e300) return false;
  out.Amplitude = (high - low) / 200.0;
  out.Bias = (high + low) / 200.0;
  // The error just beyond ε at the switch: the hundredth below is the closest bound.
  out.Hysteresis = std::max(0.0, smallest - 0.01);
  return true;
}

bool ProposedHysteresis(const Trial& run, double& epsilon, std::string& reason) {
  int step = 1;
  while (step <= run.LastEntry && run.At(kSeriesSetpoint, step) == run.At(kSeriesSetpoint, 1))
    ++step;
  // The feedback is the mean of ten samples: its first nine entries are still filling.
  constexpr int kFilling = 10, kLeast = 20;
  const int count = step - kFilling;
  if (count < kLeast) {
    reason = "le dernier essai n'a pas assez de mesures avant l'échelon pour estimer le bruit "
             "du retour (il en faut " + std::to_string(kLeast) + ")";
    return false;
  }
  // The spread about the straight line through the readings: a feedback that drifts
  // before the step (the order not quite at rest) is not noise.
  double st = 0, sy = 0, stt = 0, sty = 0;
  for (int k = kFilling; k < step; ++k) {
    const double y = Volts(run, kSeriesFeedback, k);
    st += k;
    sy += y;
    stt += static_cast<double>(k) * k;
    sty += k * y;
  }
  const double n = count;
  const double slope = (n * sty - st * sy) / (n * stt - st * st);
  const double origin = (sy - slope * st) / n;
  double squares = 0;
  for (int k = kFilling; k < step; ++k) {
    const double r = Volts(run, kSeriesFeedback, k) - (origin + slope * k);
    squares += r * r;
  }
  const double sigma = std::sqrt(squares / n);
  epsilon = std::max(0.02, std::ceil(3 * sigma * 100 - 1e-9) / 100);
  return true;
}

std::string RelayLines(const RelayResult& r) {
  if (!r.Measured) return "a=-\nTu=-\nKu=-\nperiodes=" + std::to_string(r.Periods) + "\n";
  return "a=" + Decimals(r.A, 3) + "\nTu=" + Decimals(r.Tu, 3) + "\nKu=" + Decimals(r.Ku, 3) +
         "\nperiodes=" + std::to_string(r.Periods) + "\n";
}

}  // namespace vantor
