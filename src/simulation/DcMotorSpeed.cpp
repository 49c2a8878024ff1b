// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/DcMotorSpeed.h"

#include <algorithm>
#include <cmath>

#include "common/VantorError.h"
#include "simulation/MotorMechanics.h"

namespace vantor {

DcMotorSpeed::DcMotorSpeed() {
  NoiseVolts = 0.01;
}

void DcMotorSpeed::Reset() {
  ProcessModel::Reset();
  speed_ = 0.0;
}

void DcMotorSpeed::ApplyProfile(SimulationProfile profile) {
  ProcessModel::ApplyProfile(profile);
  const bool real = profile == SimulationProfile::Realistic;
  NoiseVolts = real ? 0.02 : 0.01;
  NoiseFraction = real ? 0.02 : 0.0;
  FrictionVolts = real ? 0.5 : 0.0;
}

void DcMotorSpeed::Advance(double dtSeconds, double driveVolts) {
  AdvanceMotor(speed_, dtSeconds, driveVolts, GainRadPerSecondPerVolt, TimeConstantSeconds,
               FrictionVolts);
}

double DcMotorSpeed::Input1Volts() const {
  return SensorVolts(TachoVoltsPerRadPerSecond * speed_);
}

std::vector<ProcessParameter> DcMotorSpeed::Parameters() const {
  std::vector<ProcessParameter> list = {
      MemberParameter(MotorGainParameter(), &DcMotorSpeed::GainRadPerSecondPerVolt),
      MemberParameter(TimeConstantParameter(), &DcMotorSpeed::TimeConstantSeconds),
      MemberParameter(SensorParameter("Volts par rad/s de la génératrice tachymétrique"),
                      &DcMotorSpeed::TachoVoltsPerRadPerSecond),
      MemberParameter(FrictionParameter(), &DcMotorSpeed::FrictionVolts)};
  for (ProcessParameter& p : ProcessModel::Parameters()) list.push_back(std::move(p));
  return list;
}

void DcMotorSpeed::ValidateModel() const {
  ProcessModel::ValidateModel();
  RequireAtLeast(TimeConstantSeconds, 0.0, "La constante de temps");
  RequireAtLeast(FrictionVolts, 0.0, "Le frottement sec");
  if (!std::isfinite(GainRadPerSecondPerVolt))
    throw VantorError("Le gain du moteur simulé doit être un nombre");
  if (!std::isfinite(TachoVoltsPerRadPerSecond) || !std::isfinite(SensorOffsetVolts))
    throw VantorError(
        "La constante et le décalage de la génératrice tachymétrique doivent être "
        "des nombres");
  RequireSensorRange(SensorMinVolts, SensorMaxVolts);
}

}  // namespace vantor
