// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/ProcessModel.h"

#include <algorithm>
#include <cmath>

#include "common/Numbers.h"
#include "common/VantorError.h"

namespace vantor {

void ProcessModel::Reset() {
  noise_.seed(NoiseSeed);
}

std::string ProcessModel::Description() const {
  return profile_ == SimulationProfile::Realistic ? Name() + " (" + ProfileWord(profile_) + ")" : Name();
}

std::string ProcessParameter::RangeMessage() const {
  const std::string unit = Unit.empty() ? "" : " " + Unit;
  if (Minimum == -Maximum && !MinimumExcluded)
    return Subject + " doit rester entre " + FormatShort(Minimum) + " et " + FormatShort(Maximum) +
           unit;
  return Subject + " doit être " + (Whole ? "un nombre entier " : "") + "compris" +
         (Feminine && !Whole ? "e" : "") + " entre " + FormatShort(Minimum) +
         (MinimumExcluded ? " (exclu)" : "") + " et " + FormatShort(Maximum) + unit;
}

void ProcessParameter::Check(double value) const {
  const bool aboveMinimum = MinimumExcluded ? value > Minimum : value >= Minimum;
  if (!aboveMinimum || !(value <= Maximum) || (Whole && value != std::round(value)))
    throw VantorError(RangeMessage());
}

std::vector<ProcessParameter> ProcessModel::Parameters() const {
  ProcessParameter noise;
  noise.Name = "bruit";
  noise.Label = "Bruit de mesure (V)";
  noise.Subject = "Le bruit de mesure";
  noise.Unit = "V";
  noise.Minimum = 0.0;
  noise.Maximum = 5.0;
  noise.Get = [](const ProcessModel& p) { return p.NoiseVolts; };
  noise.Set = [](ProcessModel& p, double v) { p.NoiseVolts = v; };
  noise.Tip = "Amplitude du bruit ajouté à la mesure de l'entrée 1";
  return {noise};
}

ProcessParameter ProcessModel::TimeConstantParameter() {
  return {.Name = "constante-temps",
          .Label = "Constante de temps (s)",
          .Subject = "La constante de temps",
          .Feminine = true,
          .Unit = "s",
          .Minimum = 0.0,
          .Maximum = 100.0,
          .MinimumExcluded = true};
}

ProcessParameter ProcessModel::StaticGainParameter() {
  return {.Name = "gain",
          .Label = "Gain statique (V/V)",
          .Subject = "Le gain statique",
          .Minimum = -1000.0,
          .Maximum = 1000.0,
          .Tip = "Volts de mesure par volt d'ordre, en régime établi"};
}

void ProcessModel::Validate() const {
  ValidateModel();
  for (const ProcessParameter& parameter : Parameters()) {
    const double value = parameter.Get(*this);
    // The model runs at an excluded minimum (see ProcessParameter).
    if (!(value == parameter.Minimum)) parameter.Check(value);
  }
}

void ProcessModel::ValidateModel() const {
  RequireAtLeast(NoiseVolts, 0.0, "L'amplitude du bruit");
  RequireAtLeast(NoiseFraction, 0.0, "La part du bruit proportionnelle à la mesure");
}

void ProcessModel::SetParameters(const std::vector<std::pair<std::string, double>>& values) {
  const std::vector<ProcessParameter> parameters = Parameters();
  std::vector<std::pair<const ProcessParameter*, double>> changes;
  for (const auto& change : values) {
    const auto it = std::find_if(parameters.begin(), parameters.end(),
                                 [&](const ProcessParameter& p) { return p.Name == change.first; });
    if (it == parameters.end())
      throw VantorError("Le procédé « " + Name() + " » n'a pas de paramètre « " + change.first +
                        " »");
    it->Check(change.second);
    changes.emplace_back(&*it, change.second);
  }
  std::vector<double> former;
  for (const ProcessParameter& p : parameters) former.push_back(p.Get(*this));
  try {
    for (const auto& [parameter, value] : changes) parameter->Set(*this, value);
    Validate();
  } catch (...) {
    for (std::size_t i = 0; i < parameters.size(); ++i) parameters[i].Set(*this, former[i]);
    throw;
  }
}

double ProcessModel::SampleInput1Volts() {
  const double volts = Input1Volts();
  const double amplitude = NoiseVolts + NoiseFraction * std::fabs(volts);
  if (amplitude <= 0.0) return volts;
  // 24 random bits mapped onto [0, 1): the same on every platform, unlike the
  // standard distributions whose algorithm is left to the library.
  const double unit = static_cast<double>(noise_() >> 8) * (1.0 / 16777216.0);
  return volts + amplitude * (2.0 * unit - 1.0);
}

void ProcessModel::RequireSensorRange(double minimum, double maximum) {
  if (std::isfinite(minimum) && std::isfinite(maximum) && minimum < maximum) return;
  throw VantorError(
      "Les limites du capteur simulé doivent être deux nombres, le minimum inférieur au "
      "maximum");
}

double SensedProcess::SensorVolts(double aboveRest) const {
  return std::clamp(SensorOffsetVolts + aboveRest, SensorMinVolts, SensorMaxVolts);
}

void SensedProcess::RequireSensor(const char* offsetMessage) const {
  if (!std::isfinite(SensorOffsetVolts)) throw VantorError(offsetMessage);
  RequireSensorRange(SensorMinVolts, SensorMaxVolts);
}

void ProcessModel::RequireAtLeast(double value, double minimum, const std::string& what) {
  if (std::isfinite(value) && value >= minimum) return;
  throw VantorError(what + " du procédé simulé doit être un nombre supérieur ou égal à " +
                    FormatShort(minimum));
}

}  // namespace vantor
