// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The measures of a step response, read from a run record (hundredths of a volt, one
// entry per period), as a student would read them with the origin cursor:
//
//   t0   the time of the first recorded entry whose setpoint differs from the entry
//        before it (the step); y0 the feedback of the entry before it;
//   yf   the final value: the mean feedback of the last 40 recorded entries (2 s);
//        Δ = yf − y0. No measure when fewer than 40 entries are recorded from t0 on
//        (the final value would not be the response's) or when |Δ| < 0.05 V.
//   rise time         from the first crossing of y0 + 0.1 Δ to the first crossing of
//                     y0 + 0.9 Δ, both from t0 on, each placed by linear
//                     interpolation between the two entries around it (s);
//   overshoot         max(0, (ypeak − yf) / Δ × 100), ypeak the extreme feedback from
//                     t0 on in the direction of Δ (%); peak time: the time of its first
//                     occurrence minus t0 (s);
//   settling time 5 % from t0 to the first entry from which every entry stays within
//                     yf ± 0.05 |Δ| (s); "not settled" unless the band holds over the
//                     last 2 s and over the last period of any oscillation about yf seen
//                     after the step (a swing from below yf − 2.5 % to above yf + 2.5 %
//                     and back): a sustained oscillation whose record ends on a crest
//                     holds the band over its crest, not over its period; "not settled"
//                     either when the order stayed at one of its limits over the last 2 s
//                     (the final value is then the actuator's, not the loop's);
//   static error      step level (the setpoint at t0) − yf (V);
//   saturation        percent of the entries from t0 on whose total order equals the
//                     upper or the lower limit of the order;
//   IAE               the integral of |setpoint − feedback| (V·s), from t0 to the end of
//                     the record, or, for a run that met a load at a known time, from t0
//                     to the load (following the setpoint) and from the load to the end
//                     (rejecting the load).
// Qt-free.
#include <optional>
#include <string>

#include "regulation/Trial.h"

namespace vantor {

// Entries averaged for the final value, and the least number recorded from t0 on.
constexpr int kFinalValueEntries = 40;
constexpr long double kLeastStepVolts = 0.05L;

struct StepMeasures {
  // False when there is no measure; Reason then says why, in French (a sentence without
  // its final full stop).
  bool Measured = false;
  std::string Reason;

  double StepTime = 0;      // t0, s
  double InitialValue = 0;  // y0, V
  double FinalValue = 0;    // yf, V
  double Change = 0;        // Δ, V
  double StepLevel = 0;     // the setpoint at t0, V

  std::optional<double> RiseTime;  // absent when a crossing is never reached
  double Overshoot = 0;            // %
  double PeakTime = 0;             // s
  bool Settled = false;
  double SettlingTime = 0;           // s, when Settled
  double StaticError = 0;            // V
  std::optional<double> Saturation;  // %, absent when the limits are unknown
  double Iae = 0;                    // V·s, from t0 to the load or to the end
  std::optional<double> LoadTime;    // s, when the run met a load at a known time
  double IaeLoad = 0;                // V·s, from the load to the end
  // What held the response at the end instead of the loop, in French without a final
  // full stop ("l'ordre est resté à sa limite haute (+10 V) …"); empty when nothing did.
  std::string HeldBy;
};

// Measures of the run's step. A run whose setpoint kind is known and is not a step
// ("echelon") has no measure.
StepMeasures MeasureStep(const Trial& run);

// Time (s, from the record's start) of the first crossing of `level` by the feedback from
// entry k0 (at least 1) to `last`, in the direction of `sign` (+1 rising, −1 falling),
// placed by linear interpolation between the entry before and the entry that reaches it.
std::optional<double> FirstFeedbackCrossing(const Trial& run, int k0, int last, double level,
                                            double sign);

// The measures as `name=value` lines in this order: temps_montee, depassement,
// temps_pic, temps_reponse_5, erreur_statique, saturation, iae, then iae_charge for a run
// that met a load at a known time; two decimals, '.' as separator, '-' for a measure that
// does not exist (the overshoot and the static error too when the response has not
// settled: they would be measured against a final value it never reached). Each line
// ends with '\n'.
std::string StepMeasureLines(const StepMeasures& m);

// The feedback's reading at a limit of its sensor: below the 0.2 V floor (the reading is
// ignored and the feedback stays where it was, while the corrector goes on acting on an
// error it no longer sees change) or at the converter's full scale. A stretch counts once
// kSensorLimitEntries consecutive entries sat at the same limit with an order that was not
// zero: a speed motor at rest before its step reads below the floor with nothing asked of
// it, and a feedback that rises from rest crosses the floor in a cycle or two.
constexpr int kSensorLimitEntries = 10;

// Follows the entries of a run one by one.
class SensorLimitWatch {
 public:
  // One entry, with its total order in hundredths of a volt. Returns how many entries
  // this one adds to those that count: the whole stretch when it has just become long
  // enough, 1 while it lasts, 0 otherwise.
  int Push(SensorLimit limit, std::int32_t order);
  // The last entry belongs to a stretch that counts.
  bool Active() const { return length_ >= kSensorLimitEntries; }
  SensorLimit Limit() const { return limit_; }

 private:
  SensorLimit limit_ = SensorLimit::None;
  int length_ = 0;
};

struct SensorLimitTime {
  double FloorSeconds = 0;
  double FullScaleSeconds = 0;
  double FirstTime = 0;  // s from the record's start, where the first stretch began
  bool Any() const { return FloorSeconds > 0 || FullScaleSeconds > 0; }
};
// The stretches that count over entries 1..LastEntry of any run.
SensorLimitTime MeasureSensorLimits(const Trial& run);
// "retour_seuil_bas=S" and "retour_pleine_echelle=S" lines, seconds with two decimals.
std::string SensorLimitLines(const SensorLimitTime& t);
// What the student should know of it, in French, without final full stop; empty when the
// feedback never sat at a limit.
std::string SensorLimitSentence(const SensorLimitTime& t);

}  // namespace vantor
