#include "DcMotorPosition.h"

#include <algorithm>
#include <cmath>

#include "VantorError.h"

namespace vantor {

DcMotorPosition::DcMotorPosition() {
  NoiseVolts = 0.01;
}

void DcMotorPosition::Reset() {
  ProcessModel::Reset();
  speed_ = 0.0;
  const double low = (SensorMinVolts - SensorOffsetVolts) / SensorVoltsPerRadian;
  const double high = (SensorMaxVolts - SensorOffsetVolts) / SensorVoltsPerRadian;
  position_ = std::clamp(0.0, std::min(low, high), std::max(low, high));
}

void DcMotorPosition::Advance(double dtSeconds, double driveVolts) {
  if (!(dtSeconds > 0.0)) return;
  // Exact solution over the step for a drive held constant.
  const double target = GainRadPerSecondPerVolt * driveVolts;
  const double tau = TimeConstantSeconds > 0.0 ? TimeConstantSeconds : 0.0;
  const double decay = tau > 0.0 ? std::exp(-dtSeconds / tau) : 0.0;
  position_ += target * dtSeconds + (speed_ - target) * tau * (1.0 - decay);
  speed_ = target + (speed_ - target) * decay;

  const double low = (SensorMinVolts - SensorOffsetVolts) / SensorVoltsPerRadian;
  const double high = (SensorMaxVolts - SensorOffsetVolts) / SensorVoltsPerRadian;
  if (position_ <= low) {
    position_ = low;
    speed_ = std::max(speed_, 0.0);
  } else if (position_ >= high) {
    position_ = high;
    speed_ = std::min(speed_, 0.0);
  }
}

double DcMotorPosition::Input1Volts() const {
  return std::clamp(SensorOffsetVolts + SensorVoltsPerRadian * position_, SensorMinVolts,
                    SensorMaxVolts);
}

void DcMotorPosition::Validate() const {
  ProcessModel::Validate();
  RequireAtLeast(TimeConstantSeconds, 0.0, "La constante de temps");
  if (!std::isfinite(GainRadPerSecondPerVolt))
    throw VantorError("Le gain du moteur simulé doit être un nombre");
  if (!std::isfinite(SensorVoltsPerRadian) || !(SensorVoltsPerRadian > 0.0))
    throw VantorError("La sensibilité du potentiomètre simulé doit être un nombre positif");
  if (!std::isfinite(SensorOffsetVolts))
    throw VantorError("Le décalage du potentiomètre simulé doit être un nombre");
  if (!std::isfinite(SensorMinVolts) || !std::isfinite(SensorMaxVolts) ||
      SensorMinVolts >= SensorMaxVolts)
    throw VantorError(
        "Les limites du capteur simulé doivent être deux nombres, le minimum "
        "inférieur au maximum");
}

}  // namespace vantor
