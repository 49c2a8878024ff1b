// SPDX-License-Identifier: GPL-3.0-or-later
// Step response measures from the run record.
#include "lesson-core/StepMeasures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/Numbers.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

std::string Value(const std::optional<double>& v) {
  return v ? FormatFixed2(static_cast<long double>(*v)) : "-";
}

}  // namespace

// Time of the first crossing of `level`, from entry k0 on, in the direction of `sign`;
// interpolated between the entry before and the entry that reaches it.
std::optional<double> FirstFeedbackCrossing(const Trial& run, int k0, int last, double level,
                                            double sign) {
  const double period = run.SamplePeriodMs / 1000.0;
  for (int k = k0; k <= last; ++k) {
    const double y = run.At(kSeriesFeedback, k) / 100.0;
    if ((y - level) * sign < 0) continue;
    const double before = run.At(kSeriesFeedback, k - 1) / 100.0;
    if ((before - level) * sign >= 0) return (k - 1) * period;  // reached at entry k - 1
    return (k - 1 + (level - before) / (y - before)) * period;
  }
  return std::nullopt;
}

StepMeasures MeasureStep(const Trial& run) {
  StepMeasures m;
  if (!run.SetpointKind.empty() && run.SetpointKind != "echelon") {
    m.Reason = "la consigne de cet essai n'est pas un échelon";
    return m;
  }
  const int last = std::min(run.LastEntry, kRecordLastEntry);
  int k0 = 0;
  for (int k = 1; k <= last && k0 == 0; ++k)
    if (run.At(kSeriesSetpoint, k) != run.At(kSeriesSetpoint, k - 1)) k0 = k;
  if (k0 == 0) {
    m.Reason = "la consigne ne change pas pendant l'essai : il n'y a pas d'échelon";
    return m;
  }
  const double period = run.SamplePeriodMs / 1000.0;
  m.StepTime = k0 * period;
  m.StepLevel = run.At(kSeriesSetpoint, k0) / 100.0;
  m.InitialValue = run.At(kSeriesFeedback, k0 - 1) / 100.0;
  if (last - k0 + 1 < kFinalValueEntries) {
    m.Reason =
        "l'essai s'arrête moins de 2 s après l'échelon : la valeur finale (moyenne "
        "des 2 dernières secondes) ne peut pas être lue";
    return m;
  }
  long sum = 0;
  for (int k = last - kFinalValueEntries + 1; k <= last; ++k) sum += run.At(kSeriesFeedback, k);
  m.FinalValue = static_cast<double>(sum) / kFinalValueEntries / 100.0;
  m.Change = m.FinalValue - m.InitialValue;
  if (std::fabs(m.Change) < static_cast<double>(kLeastStepVolts)) {
    m.Reason = "le retour varie de moins de 0.05 V entre le début et la fin de l'essai";
    return m;
  }
  m.Measured = true;
  const double sign = m.Change > 0 ? 1 : -1;
  const double y0 = m.InitialValue, delta = m.Change, yf = m.FinalValue;

  const auto t10 = FirstFeedbackCrossing(run, k0, last, y0 + 0.1 * delta, sign);
  const auto t90 = FirstFeedbackCrossing(run, k0, last, y0 + 0.9 * delta, sign);
  if (t10 && t90) m.RiseTime = *t90 - *t10;

  int peak = k0;
  for (int k = k0 + 1; k <= last; ++k)
    if ((static_cast<double>(run.At(kSeriesFeedback, k)) - run.At(kSeriesFeedback, peak)) * sign >
        0)
      peak = k;
  const double yPeak = run.At(kSeriesFeedback, peak) / 100.0;
  m.Overshoot = std::max(0.0, (yPeak - yf) / delta * 100);
  m.PeakTime = (peak - k0) * period;

  // Entries exactly on the band's edge are inside, whatever the rounding of the sums.
  const double band = 0.05 * std::fabs(delta) + 1e-9;
  auto inside = [&](int k) { return std::fabs(run.At(kSeriesFeedback, k) / 100.0 - yf) <= band; };
  int settled = last + 1;
  while (settled > k0 && inside(settled - 1)) --settled;
  // The band must hold for at least 2 s and for the last period of an oscillation: swings
  // about the mean of the response's second half (an oscillation's centre, which a record
  // ending on a crest does not move much) from below it by band/2 to above it by band/2
  // (noise inside the band does not make one); the time between the last two upward ones.
  int held = kFinalValueEntries;
  {
    const int from = k0 + (last - k0) / 2;
    double centre = 0;
    for (int k = from; k <= last; ++k) centre += run.At(kSeriesFeedback, k) / 100.0;
    centre /= last - from + 1;
    int side = 0, lastUp = -1, previousUp = -1;
    for (int k = k0; k <= last; ++k) {
      const double d = (run.At(kSeriesFeedback, k) / 100.0 - centre) * sign;
      if (d < -band / 2 && side >= 0) side = -1;
      if (d > band / 2 && side == -1) {
        side = 1;
        previousUp = lastUp;
        lastUp = k;
      }
    }
    if (previousUp >= 0) held = std::max(held, lastUp - previousUp);
  }
  m.Settled = settled <= last - held + 1;
  // An order held at one of its limits over the last 2 s: what the record ends on is the
  // actuator's doing (or a stop's, or the sensor's end), not the loop's equilibrium.
  if (run.ordremaxi && run.ordremini) {
    const std::int32_t high = ToHundredths(*run.ordremaxi), low = ToHundredths(*run.ordremini);
    bool atHigh = true, atLow = true;
    for (int k = last - kFinalValueEntries + 1; k <= last; ++k) {
      atHigh = atHigh && run.At(kSeriesOrder, k) == high;
      atLow = atLow && run.At(kSeriesOrder, k) == low;
    }
    if (atHigh || atLow) {
      m.HeldBy = std::string("l'ordre est resté à sa limite ") + (atHigh ? "haute (" : "basse (") +
                 FormatShort(*(atHigh ? run.ordremaxi : run.ordremini)) +
                 " V) pendant les 2 dernières secondes : le retour finit là où l'actionneur, "
                 "une butée ou la fin d'échelle du capteur le tiennent, pas sur l'équilibre "
                 "de la boucle ; le dépassement, le temps de réponse et l'erreur statique ne "
                 "se mesurent pas";
      m.Settled = false;
    }
  }
  if (m.Settled) m.SettlingTime = (settled - k0) * period;

  m.StaticError = m.StepLevel - yf;

  if (run.ordremaxi && run.ordremini) {
    const std::int32_t high = ToHundredths(*run.ordremaxi), low = ToHundredths(*run.ordremini);
    int saturated = 0;
    for (int k = k0; k <= last; ++k) {
      const std::int32_t order = run.At(kSeriesOrder, k);
      if (order == high || order == low) ++saturated;
    }
    m.Saturation = 100.0 * saturated / (last - k0 + 1);
  }

  // The load's time, as the run records it: "1 V à 40 s".
  const std::size_t at = run.Load.rfind(" à ");
  if (at != std::string::npos && run.Load.size() > at + 5 &&
      run.Load.compare(run.Load.size() - 2, 2, " s") == 0) {
    try {
      const double t = static_cast<double>(
          StrToFloat(run.Load.substr(at + 4, run.Load.size() - at - 6)));
      if (t > m.StepTime && t < last * period) m.LoadTime = t;
    } catch (const VantorError&) {
    }
  }
  const int split = m.LoadTime ? static_cast<int>(std::lround(*m.LoadTime / period)) : last + 1;
  for (int k = k0; k <= last; ++k) {
    const double e = std::fabs(run.At(kSeriesSetpoint, k) - run.At(kSeriesFeedback, k)) / 100.0;
    (k < split ? m.Iae : m.IaeLoad) += e * period;
  }
  return m;
}

std::string StepMeasureLines(const StepMeasures& m) {
  const auto when = [&m](bool exists, double v) {
    return m.Measured && exists ? std::optional<double>(v) : std::nullopt;
  };
  std::string out;
  out += "temps_montee=" + Value(m.Measured ? m.RiseTime : std::nullopt) + "\n";
  // Measured against a final value the response never settled to, the overshoot and the
  // static error mean nothing.
  out += "depassement=" + Value(when(m.Settled, m.Overshoot)) + "\n";
  out += "temps_pic=" + Value(when(true, m.PeakTime)) + "\n";
  out += "temps_reponse_5=" + Value(when(m.Settled, m.SettlingTime)) + "\n";
  out += "erreur_statique=" + Value(when(m.Settled, m.StaticError)) + "\n";
  out += "saturation=" + Value(m.Measured ? m.Saturation : std::nullopt) + "\n";
  out += "iae=" + Value(when(true, m.Iae)) + "\n";
  if (m.LoadTime) out += "iae_charge=" + Value(when(true, m.IaeLoad)) + "\n";
  return out;
}

int SensorLimitWatch::Push(SensorLimit limit, std::int32_t order) {
  if (limit == SensorLimit::None || order == 0 || limit != limit_) {
    limit_ = order == 0 ? SensorLimit::None : limit;
    length_ = limit_ == SensorLimit::None ? 0 : 1;
  } else {
    ++length_;
  }
  if (length_ < kSensorLimitEntries) return 0;
  return length_ == kSensorLimitEntries ? length_ : 1;
}

SensorLimitTime MeasureSensorLimits(const Trial& run) {
  SensorLimitTime t;
  const double period = run.SamplePeriodMs / 1000.0;
  const int last = std::clamp(run.LastEntry, 0, kRecordLastEntry);
  SensorLimitWatch watch;
  for (int k = 1; k <= last; ++k) {
    const int added =
        watch.Push(run.FeedbackLimits[static_cast<std::size_t>(k)], run.At(kSeriesOrder, k));
    if (added == 0) continue;
    if (!t.Any()) t.FirstTime = (k - added + 1) * period;
    (watch.Limit() == SensorLimit::Floor ? t.FloorSeconds : t.FullScaleSeconds) +=
        added * period;
  }
  return t;
}

std::string SensorLimitLines(const SensorLimitTime& t) {
  return "retour_seuil_bas=" + Value(t.FloorSeconds) + "\nretour_pleine_echelle=" +
         Value(t.FullScaleSeconds) + "\n";
}

std::string SensorLimitSentence(const SensorLimitTime& t) {
  if (!t.Any()) return {};
  std::string out = "le retour a été à une limite du capteur dès " + Value(t.FirstTime) + " s";
  if (t.FloorSeconds > 0)
    out += " ; sous le seuil de 0,2 V pendant " + Value(t.FloorSeconds) +
           " s : ces mesures sont ignorées, le retour reste figé à sa dernière valeur et le "
           "correcteur agit sans voir le procédé";
  if (t.FullScaleSeconds > 0)
    out += " ; à la pleine échelle du convertisseur (10,24 V) pendant " +
           Value(t.FullScaleSeconds) + " s : le retour ne peut pas monter plus haut";
  return out;
}

}  // namespace vantor
