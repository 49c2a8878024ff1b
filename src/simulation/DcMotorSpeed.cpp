#include "DcMotorSpeed.h"

#include <algorithm>
#include <cmath>

#include "VantorError.h"

namespace vantor {

DcMotorSpeed::DcMotorSpeed() {
  NoiseVolts = 0.01;
}

void DcMotorSpeed::Reset() {
  ProcessModel::Reset();
  speed_ = 0.0;
}

void DcMotorSpeed::Advance(double dtSeconds, double driveVolts) {
  if (!(dtSeconds > 0.0)) return;
  // Exact solution over the step for a drive held constant: the result does not depend
  // on the step length.
  const double target = GainRadPerSecondPerVolt * driveVolts;
  const double decay = TimeConstantSeconds > 0.0 ? std::exp(-dtSeconds / TimeConstantSeconds) : 0.0;
  speed_ = target + (speed_ - target) * decay;
}

double DcMotorSpeed::Input1Volts() const {
  return std::clamp(SensorOffsetVolts + TachoVoltsPerRadPerSecond * speed_, SensorMinVolts,
                    SensorMaxVolts);
}

void DcMotorSpeed::Validate() const {
  ProcessModel::Validate();
  RequireAtLeast(TimeConstantSeconds, 0.0, "La constante de temps");
  if (!std::isfinite(GainRadPerSecondPerVolt))
    throw VantorError("Le gain du moteur simulé doit être un nombre");
  if (!std::isfinite(TachoVoltsPerRadPerSecond) || !std::isfinite(SensorOffsetVolts))
    throw VantorError(
        "La constante et le décalage de la génératrice tachymétrique doivent être "
        "des nombres");
  if (!std::isfinite(SensorMinVolts) || !std::isfinite(SensorMaxVolts) ||
      SensorMinVolts >= SensorMaxVolts)
    throw VantorError(
        "Les limites du capteur simulé doivent être deux nombres, le minimum "
        "inférieur au maximum");
}

}  // namespace vantor
