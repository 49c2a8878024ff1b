#include "ProcessModel.h"

#include <cmath>

#include "Numbers.h"
#include "VantorError.h"

namespace vantor {

void ProcessModel::Reset() {
  noise_.seed(NoiseSeed);
}

std::string ProcessModel::Description() const {
  return profile_ == SimulationProfile::Realistic ? Name() + " (réaliste)" : Name();
}

void ProcessModel::Validate() const {
  RequireAtLeast(NoiseVolts, 0.0, "L'amplitude du bruit");
  RequireAtLeast(NoiseFraction, 0.0, "La part du bruit proportionnelle à la mesure");
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

void ProcessModel::RequireAtLeast(double value, double minimum, const std::string& what) {
  if (std::isfinite(value) && value >= minimum) return;
  throw VantorError(what + " du procédé simulé doit être un nombre supérieur ou égal à " +
                    FormatShort(minimum));
}

}  // namespace vantor
