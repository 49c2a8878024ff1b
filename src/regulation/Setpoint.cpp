// SPDX-License-Identifier: GPL-3.0-or-later
// Setpoint generators: the buttons that choose the kind, the reading of the entry
// fields at run start, and the value of each cycle. Waveforms count cycles; the period
// in cycles follows from the frequency and SamplePeriodMs.
#include <cmath>
#include <stdexcept>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "regulation/Regulation.h"

namespace vantor {

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr long double kMaxFrequency = 2;
constexpr long double kMinAmplitude = 0.1L;
// The step rises at this cycle; afterwards the counter stays in [kStepHoldLow, kStepWrap).
constexpr long double kStepRiseCycle = 50;
constexpr long double kStepWrap = 110;
constexpr long double kStepHoldLow = 105;

long double Square(RegulationState& s) {
  long double& t = s.GeneratorCounter;
  const long double h = s.HalfPeriodCycles;
  t = t + 1;
  const long double value = (t <= h) ? s.Mean + s.Amplitude : s.Mean - s.Amplitude;
  if (t >= 2 * h) t = 0;
  return value;
}

long double Triangle(RegulationState& s) {
  long double& t = s.GeneratorCounter;
  const long double h = s.HalfPeriodCycles;
  t = t + 1;
  long double value;
  if (t <= h)
    value = (s.Mean - s.Amplitude) + 2 * s.Amplitude * t / h;
  else
    value = (s.Mean + s.Amplitude) - 2 * s.Amplitude * (t - h) / h;
  if (t >= 2 * h) t = 0;
  return value;
}

long double Sine(RegulationState& s) {
  long double& phase = s.GeneratorCounter;
  const long double delta = 2 * kPi * s.SamplePeriodMs / (s.SetpointPeriod * 1000);
  phase = phase + delta;
  const long double value = std::sin(phase) * s.Amplitude + s.Mean;
  if (phase > 2 * kPi - delta) phase = 0;
  return value;
}

long double Step(RegulationState& s) {
  long double& t = s.GeneratorCounter;
  t = t + 1;
  if (t == kStepWrap) t = kStepHoldLow;
  return (t >= kStepRiseCycle) ? s.StepLevel : s.StepLow;
}

long double External(AcquisitionCard& card) {
  return InputCountsToVolts(card.ConvertInput(0));
}

}  // namespace

void ReadSetpointFields(RegulationState& s, SetpointFields& f) {
  if (s.SetpointKind == "echelon") {
    long double level = StrToFloat(f.Edit5);
    if (level > s.finalech) {
      level = s.finalech;
      f.Edit5 = FormatShort(s.finalech);
    }
    if (level < s.StepLow) {
      level = 0;
      f.Edit5 = FormatShort(level);
    }
    s.StepLevel = level;
    return;
  }

  long double frequency = StrToFloat(f.Edit4);
  if (frequency > kMaxFrequency) {
    frequency = kMaxFrequency;
    f.Edit4 = FormatShort(frequency);
  }
  if (frequency < 0) {
    frequency = 0;
    f.Edit4 = FormatShort(frequency);
  }
  // A frequency of 0 has no period: the run cannot start with it.
  if (frequency == 0) throw VantorError(kDivisionByZeroText);
  const long double period = 1 / frequency;

  long double mean = StrToFloat(f.Edit6);
  if (mean > s.valmoymaxi) {
    mean = s.valmoymaxi;
    f.Edit6 = FormatShort(s.valmoymaxi);
  }
  if (mean < s.valmoymini) {
    mean = s.valmoymini;
    f.Edit6 = FormatShort(s.valmoymini);
  }

  long double amplitude = StrToFloat(f.Edit7);
  if (amplitude > s.amplimaxi) {
    amplitude = s.amplimaxi;
    f.Edit7 = FormatShort(s.amplimaxi);
  }
  if (amplitude < kMinAmplitude) {
    amplitude = kMinAmplitude;
    f.Edit7 = "0.1";
  }

  s.SetpointFrequency = frequency;
  s.SetpointPeriod = period;
  s.Mean = mean;
  s.Amplitude = amplitude;
}

long double NextSetpoint(RegulationState& s, AcquisitionCard& card) {
  s.HalfPeriodCycles = s.SetpointPeriod * 1000 / (s.SamplePeriodMs * 2);
  const std::string& kind = s.SetpointKind;
  if (kind == "triang") return Triangle(s);
  if (kind == "sin") return Sine(s);
  if (kind == "echelon") return Step(s);
  if (kind == "externe") return External(card);
  return Square(s);
}

namespace {

SetpointButtonResult ButtonEffect(RegulationState& s, AcquisitionCard& card, int button) {
  SetpointButtonResult r{};
  switch (button) {
    case 1:
      card.SelectInputRange();
      s.SetpointKind = "echelon";
      r.Panel15Caption = "Consigne: Echelon";
      r.Shown = SetpointPanel::Panel14;
      r.Edit5 = FormatShort(static_cast<long double>(RoundHalfEven(0.75L * s.finalech)));
      return r;
    case 2:
    case 3:
    case 4: {
      static const char* const kinds[] = {"sin", "triang", "carr"};
      static const char* const captions[] = {"Consigne: Sinusoïde ", "Consigne: Triangle",
                                             "Consigne: Carré"};
      card.SelectInputRange();
      s.SetpointKind = kinds[button - 2];
      r.Panel15Caption = captions[button - 2];
      r.Shown = SetpointPanel::Panel11;
      r.Edit4 = FormatShort(s.SetpointFrequency);
      return r;
    }
    case 10:
      s.SetpointKind = "externe";
      r.Panel15Caption = "Consigne:Externe(0/10volts,Entrée analog. 0)";
      r.Shown = SetpointPanel::Panel17;
      return r;
    default:
      throw std::invalid_argument("PressSetpointButton: not a setpoint button");
  }
}

}  // namespace

SetpointButtonResult PressSetpointButton(RegulationState& s, AcquisitionCard& card, int button) {
  SetpointButtonResult r = ButtonEffect(s, card, button);
  s.SetpointCaption = r.Panel15Caption;
  return r;
}

}  // namespace vantor
