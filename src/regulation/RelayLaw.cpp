// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/RelayLaw.h"

#include <cmath>

#include "common/Numbers.h"
#include "regulation/Regulation.h"

namespace vantor {

RelayLaw::RelayLaw(const RelaySettings& settings, Use use)
    : settings_(settings), use_(use), oscillation_(settings.Hysteresis, 0.05) {}

void RelayLaw::BeginRun(const RegulationState& s) {
  state_ = 0;
  cycles_ = 0;
  const double h = s.SamplePeriodMs / 1000.0;
  oscillation_ = RelayOscillation(settings_.Hysteresis, h);
  limitCycles_ = static_cast<int>(std::lround(kRelayLimitSeconds / h));
}

long double RelayLaw::Order(const RegulationState& s, long double) {
  ++cycles_;
  // The reading that stops the test sees the values the record will hold.
  oscillation_.Add(cycles_, ToHundredths(s.Error) / 100.0, ToHundredths(s.Feedback) / 100.0);
  const long double eps = settings_.Hysteresis;
  if (s.Error > eps) state_ = 1;
  if (s.Error < -eps) state_ = -1;
  return static_cast<long double>(settings_.Bias) +
         state_ * static_cast<long double>(settings_.Amplitude);
}

bool RelayLaw::RunComplete() const {
  if (use_ != Use::Test) return false;
  return oscillation_.Steady() || cycles_ >= limitCycles_;
}

std::string RelayLaw::Name() const {
  return use_ == Use::Test ? "relais" : "tout ou rien";
}

std::string RelayLaw::Caption() const {
  std::string text = (use_ == Use::Test ? "essai de relais" : "tout ou rien");
  text += " d:" + FormatPrinted(settings_.Amplitude) + ", \u03b5:" +
          FormatPrinted(settings_.Hysteresis);
  if (use_ == Use::Test) text += ", biais:" + FormatPrinted(settings_.Bias);
  return text;
}

std::string RelaySettingsFault(const RelaySettings& r) {
  if (!(r.Amplitude > 0 && r.Amplitude <= 10))
    return "L'amplitude d du relais doit être comprise entre 0 (exclu) et 10 V";
  if (!(r.Hysteresis >= 0 && r.Hysteresis <= 2))
    return "L'hystérésis \u03b5 du relais doit être comprise entre 0 et 2 V";
  if (!(r.Bias >= -10 && r.Bias <= 10))
    return "Le biais du relais doit être compris entre -10 et 10 V";
  return {};
}

}  // namespace vantor
