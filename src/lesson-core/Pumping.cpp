// SPDX-License-Identifier: GPL-3.0-or-later
// Critical gain and period from a pumping run.
#include "lesson-core/Pumping.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Numbers.h"
#include "simulation/ProcessRegistry.h"

namespace vantor {

namespace {

// Amplitudes (V): below kLeastSwing the error does not oscillate, it is the feedback's
// noise; a half wave below kReadableSwing is too small for its crossings and peak to be
// read at the record's resolution.
constexpr double kLeastSwing = 0.05, kReadableSwing = 0.1;
// Part of the amplitude the error must leave its mean by before its next crossing counts
// (the noise near the mean would otherwise cross many times in a half period), and how
// close to 1 a peak ratio is for a sustained oscillation.
constexpr double kHysteresisShare = 0.3, kSustainedBand = 0.10;

}  // namespace

Pumping MeasurePumping(const Trial& run) {
  Pumping p;
  if (run.IsOpenLoop()) {
    p.Reason = "cet essai est en boucle ouverte : le pompage se fait en boucle fermée";
    return p;
  }
  if (run.Kd != 0 || run.Ki != 0) {
    p.Reason =
        "le pompage se fait avec un correcteur proportionnel seul : cet essai a Kd ou Ki "
        "différent de 0";
    return p;
  }
  if (!(run.Kp > 0)) {
    p.Reason = "le gain Kp de cet essai est nul : il n'y a pas de boucle";
    return p;
  }
  const double period = run.SamplePeriodMs / 1000.0;
  const int last = std::min(run.LastEntry, kRecordLastEntry);
  int start = 1;
  for (int k = 1; k <= last; ++k)
    if (run.At(kSeriesSetpoint, k) != run.At(kSeriesSetpoint, k - 1)) {
      start = k;
      break;
    }
  // A proportional loop keeps an error at rest (the process needs an order to hold the
  // setpoint), and the oscillation swings about it: the error is read as its deviation
  // from its mean over the second half of the record after the step.
  const int tail = start + (last - start) / 2;
  double mean = 0;
  for (int k = tail; k <= last; ++k) mean += run.At(kSeriesError, k) / 100.0;
  mean /= std::max(1, last - tail + 1);
  auto e = [&run, mean](int k) { return run.At(kSeriesError, k) / 100.0 - mean; };

  // The swing: the largest deviation after it first changes sign (the step itself is
  // not an oscillation).
  int first = start + 1;
  while (first <= last && e(first) * e(start) > 0) ++first;
  double swing = 0, lateSwing = 0;
  for (int k = first; k <= last; ++k) {
    swing = std::max(swing, std::fabs(e(k)));
    if (k >= tail) lateSwing = std::max(lateSwing, std::fabs(e(k)));
  }
  if (first > last || swing < kLeastSwing) {
    p.Reason = "l'erreur n'oscille pas autour de sa valeur moyenne après l'échelon";
    return p;
  }
  // The hysteresis follows the oscillation of the second half: the step's first swings
  // may be much larger (a heater that cannot cool undershoots once, then oscillates
  // within a third of it), and would otherwise hide every later crossing.
  const double threshold = kHysteresisShare * std::max(lateSwing, kLeastSwing);

  // Crossings armed by the hysteresis, each placed by interpolation at the last change of
  // sign before the entry that armed it; the peak of each half wave between them.
  std::vector<double> crossings, peaks;
  double side = 0, peak = 0;
  for (int k = start; k <= last; ++k) {
    const double v = e(k);
    if (side == 0) {
      if (std::fabs(v) > threshold) side = v > 0 ? 1 : -1;
      continue;
    }
    if (v * side < -threshold) {
      int i = k;
      while (i > start && e(i - 1) * side < 0) --i;  // e(i - 1) on the old side, e(i) past
      const double a = e(i - 1), b = e(i);
      crossings.push_back((i - 1 + a / (a - b)) * period);
      if (crossings.size() > 1) peaks.push_back(peak);
      side = -side;
      peak = 0;
    }
    if (v * side > peak * side) peak = v;
  }
  // Half waves that died down to the size of the record's resolution and noise say
  // nothing of the oscillation's period or trend: the last ones counted are those that
  // still swing by kReadableSwing.
  while (!peaks.empty() && std::fabs(peaks.back()) < kReadableSwing) {
    peaks.pop_back();
    crossings.pop_back();
  }
  // Crossing c_j to c_(j+2) is one period; the last `used` periods.
  const int halfWaves = static_cast<int>(crossings.size()) - 1;
  const int used = std::min(kPumpingPeriods, halfWaves / 2);
  if (used < 2) {
    p.Reason = "l'erreur fait moins de deux périodes complètes d'oscillation : prolonger "
               "l'essai ou augmenter Kp";
    return p;
  }
  const std::size_t end = crossings.size() - 1, begin = end - 2 * static_cast<std::size_t>(used);
  p.Tu = (crossings[end] - crossings[begin]) / used;
  p.Crossings.assign(crossings.begin() + static_cast<long>(begin), crossings.end());
  // Peaks of the same sign one period apart, within the periods used.
  double logSum = 0;
  int ratios = 0;
  for (std::size_t j = begin; j + 2 < end; ++j) {
    if (peaks[j] == 0) continue;
    logSum += std::log(std::fabs(peaks[j + 2] / peaks[j]));
    ++ratios;
  }
  p.PeakRatio = ratios > 0 ? std::exp(logSum / ratios) : 1;
  p.Kind = p.PeakRatio > 1 + kSustainedBand   ? Oscillation::Divergent
           : p.PeakRatio < 1 - kSustainedBand ? Oscillation::Damped
                                              : Oscillation::Sustained;
  // An oscillation that does not die out while the order sits at one of its limits is held
  // by the limit, not by the loop: a growing oscillation clipped looks sustained. The
  // process's own actuator counts as a limit: a heater receives nothing from an order
  // below 0 V, which clips the oscillation as the order's minimum would. The record keeps
  // the order asked for, so how deep it went below shows: a crest that dips under the
  // floor by less than the sustained band of its swing hardly changes the loop's gain (the
  // loop is at its critical gain, the floor only trims it); deeper, the floor holds it.
  std::optional<std::int32_t> floor;
  if (const ProcessKind* kind = FindProcessKindByLabel(run.Process))
    if (const std::optional<double> f = kind->Make()->DriveFloor()) floor = ToHundredths(*f);
  if (p.Kind != Oscillation::Damped && (run.ordremaxi || run.ordremini || floor)) {
    const int from = static_cast<int>(std::floor(crossings[begin] / period));
    const int to = std::min(last, static_cast<int>(std::ceil(crossings[end] / period)));
    std::int32_t lowest = std::numeric_limits<std::int32_t>::max();
    std::int32_t highest = std::numeric_limits<std::int32_t>::min();
    for (int k = std::max(from, start); k <= to; ++k) {
      const std::int32_t order = run.At(kSeriesOrder, k);
      lowest = std::min(lowest, order);
      highest = std::max(highest, order);
      if ((run.ordremaxi && order >= ToHundredths(*run.ordremaxi)) ||
          (run.ordremini && order <= ToHundredths(*run.ordremini))) {
        p.Kind = Oscillation::Bounded;
        break;
      }
    }
    if (floor && lowest < *floor && *floor - lowest > kSustainedBand * (highest - lowest))
      p.Kind = Oscillation::Bounded;
  }
  p.Ku = static_cast<double>(run.Kp);
  p.PeriodsUsed = used;
  p.Measured = true;
  return p;
}

std::string OscillationWord(Oscillation kind) {
  switch (kind) {
    case Oscillation::Sustained:
      return "entretenue";
    case Oscillation::Damped:
      return "amortie";
    case Oscillation::Divergent:
      return "divergente";
    case Oscillation::Bounded:
      return "bornée par les limites de l'ordre";
  }
  return {};
}

std::string PumpingLines(const Pumping& p) {
  if (!p.Measured) return "Ku=-\nTu=-\noscillation=-\n";
  return "Ku=" + FormatFixed2(static_cast<long double>(p.Ku)) +
         "\nTu=" + FormatFixed2(static_cast<long double>(p.Tu)) +
         "\noscillation=" + OscillationWord(p.Kind) + "\n";
}

}  // namespace vantor
