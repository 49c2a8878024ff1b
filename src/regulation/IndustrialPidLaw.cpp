// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/IndustrialPidLaw.h"

#include <cmath>

#include "common/Numbers.h"
#include "regulation/Regulation.h"

namespace vantor {

std::string IndustrialPidFault(const IndustrialPidSettings& p) {
  if (p.FilterN != 0 && (p.FilterN < 2 || p.FilterN > 20))
    return "Le filtre de la dérivée N doit être un entier compris entre 2 et 20";
  if (!(p.SetpointWeight >= 0 && p.SetpointWeight <= 1))
    return "La pondération de la consigne b doit être comprise entre 0 et 1";
  if (p.TrackingTime && !(*p.TrackingTime > 0 && *p.TrackingTime <= 1000))
    return "Le temps de poursuite Tt doit être compris entre 0 (exclu) et 1000 s";
  if (p.ManualSpan &&
      !(p.ManualSpan->first >= 0 && p.ManualSpan->second > p.ManualSpan->first))
    return "La période en manuel doit aller d'un temps T1 positif à un temps T2 plus grand";
  return {};
}

std::string IndustrialPidCaption(const IndustrialPidSettings& p) {
  std::string text = "PID industriel (forme ";
  text += p.Form == PidForm::Standard ? "standard"
          : p.Form == PidForm::Series ? "série"
                                      : "parallèle";
  if (p.FilterN > 0) text += ", filtre N=" + std::to_string(p.FilterN);
  if (p.DerivativeOnMeasurement) text += ", dérivée sur la mesure";
  if (p.SetpointWeight != 1) text += ", b=" + FormatPrinted(p.SetpointWeight);
  switch (p.Windup) {
    case AntiWindup::None:
      text += ", sans anti-emballement";
      break;
    case AntiWindup::Clamping:
      text += ", anti-emballement par intégration conditionnelle";
      break;
    case AntiWindup::BackCalculation:
      text += ", anti-emballement par recalcul";
      if (p.TrackingTime) text += " Tt=" + FormatPrinted(*p.TrackingTime) + " s";
      break;
  }
  if (p.DirectAction) text += ", action directe";
  return text + ")";
}

double IndustrialPidLaw::TrackingTimeFor(const IndustrialPidSettings& p, double kp, double kd,
                                         double ki) {
  if (p.TrackingTime) return *p.TrackingTime;
  if (ki <= 0) return 0;
  const double ti = kp > 0 ? kp / ki : 1 / ki;
  const double td = kp > 0 ? kd / kp : kd;
  return td > 0 ? std::sqrt(ti * td) : ti / 2;
}

void IndustrialPidLaw::BeginRun(const RegulationState&) {
  integral_ = derivative_ = previousX_ = 0;
  unlimited_ = lastOrder_ = manualOrder_ = 0;
  manual_ = wasManual_ = false;
  cycles_ = 0;
}

void IndustrialPidLaw::SetManual(bool manual, long double order) {
  if (manual) manualOrder_ = order;
  manual_ = manual;
}

void IndustrialPidLaw::OwnTerms(RegulationState& s, long double r) {
  const long double h = static_cast<long double>(s.SamplePeriodMs) / 1000;
  ++cycles_;
  if (settings_.ManualSpan) {
    const double t = static_cast<double>(cycles_ * h);
    const bool manual = t >= settings_.ManualSpan->first && t < settings_.ManualSpan->second;
    if (manual && !manual_) manualOrder_ = lastOrder_;
    manual_ = manual;
  }
  const long double sigma = settings_.DirectAction ? -1 : 1;
  const long double y = s.Feedback, e = r - y;
  const long double kp = s.Kp, kd = s.Kd, ki = s.Ki;

  const long double p = sigma * kp * (static_cast<long double>(settings_.SetpointWeight) * r - y);

  const long double x = settings_.DerivativeOnMeasurement ? -y : e;
  if (cycles_ == 1) previousX_ = x;  // no derivative of the jump from rest
  const long double td = kp > 0 ? kd / kp : kd;
  const long double tf = settings_.FilterN > 0 ? td / settings_.FilterN : 0;
  derivative_ = tf / (tf + h) * derivative_ + sigma * kd / (tf + h) * (x - previousX_);
  previousX_ = x;

  if (manual_) {
    // The integral follows the manual order, ready for the return to automatic.
    integral_ = manualOrder_ - p - derivative_;
  } else if (wasManual_) {
    // Back to automatic: the first order is the one in force.
    integral_ = lastOrder_ - p - derivative_;
  } else {
    const long double step = sigma * ki * h * e;
    const long double candidate = integral_ + step;
    const long double v = p + candidate + derivative_;
    const bool pushesFurther = (v > s.ordremaxi && step > 0) || (v < s.ordremini && step < 0);
    if (!(settings_.Windup == AntiWindup::Clamping && pushesFurther)) integral_ = candidate;
  }
  wasManual_ = manual_;

  s.PTerm = p;
  s.DTermRaw = derivative_;
  s.ITerm = integral_;
  unlimited_ = manual_ ? manualOrder_ : (p + derivative_) + integral_;
}

long double IndustrialPidLaw::Order(const RegulationState&, long double) {
  return unlimited_;
}

void IndustrialPidLaw::OrderLimited(const RegulationState& s) {
  lastOrder_ = s.Order;
  if (manual_ || settings_.Windup != AntiWindup::BackCalculation) return;
  const double tt = TrackingTimeFor(settings_, static_cast<double>(s.Kp),
                                    static_cast<double>(s.Kd), static_cast<double>(s.Ki));
  if (tt <= 0) return;
  const long double h = static_cast<long double>(s.SamplePeriodMs) / 1000;
  integral_ += h / static_cast<long double>(tt) * (s.Order - unlimited_);
}

}  // namespace vantor
