// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/DcMotorPosition.h"

#include <algorithm>
#include <cmath>

#include "common/VantorError.h"
#include "simulation/MotorMechanics.h"

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

void DcMotorPosition::ApplyProfile(SimulationProfile profile) {
  ProcessModel::ApplyProfile(profile);
  const bool real = profile == SimulationProfile::Realistic;
  NoiseVolts = real ? 0.02 : 0.01;
  FrictionVolts = real ? 0.5 : 0.0;
  SensorOffsetVolts = real ? 1.0 : 0.0;
}

void DcMotorPosition::Advance(double dtSeconds, double driveVolts) {
  if (!(dtSeconds > 0.0)) return;
  position_ += AdvanceMotor(speed_, dtSeconds, driveVolts, GainRadPerSecondPerVolt,
                            TimeConstantSeconds, FrictionVolts);

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
  return SensorVolts(SensorVoltsPerRadian * position_);
}

std::vector<ProcessParameter> DcMotorPosition::Parameters() const {
  std::vector<ProcessParameter> list = {
      MemberParameter(MotorGainParameter(), &DcMotorPosition::GainRadPerSecondPerVolt),
      MemberParameter(TimeConstantParameter(), &DcMotorPosition::TimeConstantSeconds),
      MemberParameter(SensorParameter("Volts par radian du potentiomètre"),
                      &DcMotorPosition::SensorVoltsPerRadian),
      MemberParameter(FrictionParameter(), &DcMotorPosition::FrictionVolts)};
  for (ProcessParameter& p : ProcessModel::Parameters()) list.push_back(std::move(p));
  return list;
}

void DcMotorPosition::ValidateModel() const {
  ProcessModel::ValidateModel();
  RequireAtLeast(TimeConstantSeconds, 0.0, "La constante de temps");
  RequireAtLeast(FrictionVolts, 0.0, "Le frottement sec");
  if (!std::isfinite(GainRadPerSecondPerVolt))
    throw VantorError("Le gain du moteur simulé doit être un nombre");
  if (!std::isfinite(SensorVoltsPerRadian) || !(SensorVoltsPerRadian > 0.0))
    throw VantorError("La sensibilité du potentiomètre simulé doit être un nombre positif");
  RequireSensor("Le décalage du potentiomètre simulé doit être un nombre");
}

}  // namespace vantor
