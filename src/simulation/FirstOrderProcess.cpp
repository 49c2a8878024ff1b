// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/FirstOrderProcess.h"

#include <algorithm>
#include <cmath>

#include "common/VantorError.h"

namespace vantor {

FirstOrderProcess::FirstOrderProcess() {
  NoiseVolts = 0.01;
}

void FirstOrderProcess::ApplyProfile(SimulationProfile profile) {
  ProcessModel::ApplyProfile(profile);
  const bool real = profile == SimulationProfile::Realistic;
  NoiseVolts = real ? 0.05 : 0.01;
  SensorOffsetVolts = real ? 0.5 : 0.0;
}

void FirstOrderProcess::Reset() {
  ProcessModel::Reset();
  rise_ = 0.0;
}

void FirstOrderProcess::Advance(double dtSeconds, double driveVolts) {
  if (!(dtSeconds > 0.0)) return;
  // Exact for a drive held over the step.
  const double target = GainVoltsPerVolt * driveVolts;
  const double decay = TimeConstantSeconds > 0.0 ? std::exp(-dtSeconds / TimeConstantSeconds) : 0.0;
  rise_ = target + (rise_ - target) * decay;
}

double FirstOrderProcess::Input1Volts() const {
  return SensorVolts(rise_);
}

std::vector<ProcessParameter> FirstOrderProcess::Parameters() const {
  std::vector<ProcessParameter> list = {
      MemberParameter(StaticGainParameter(), &FirstOrderProcess::GainVoltsPerVolt),
      MemberParameter(TimeConstantParameter(), &FirstOrderProcess::TimeConstantSeconds)};
  for (ProcessParameter& p : ProcessModel::Parameters()) list.push_back(std::move(p));
  return list;
}

void FirstOrderProcess::ValidateModel() const {
  ProcessModel::ValidateModel();
  RequireSensor("La tension du capteur au repos doit être un nombre");
}

}  // namespace vantor
