// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/ThermalProcess.h"

#include <algorithm>
#include <cmath>

#include "common/VantorError.h"

namespace vantor {

ThermalProcess::ThermalProcess() {
  NoiseVolts = 0.01;
}

void ThermalProcess::ApplyProfile(SimulationProfile profile) {
  ProcessModel::ApplyProfile(profile);
  const bool real = profile == SimulationProfile::Realistic;
  NoiseVolts = real ? 0.05 : 0.01;
  SensorOffsetVolts = real ? 0.5 : 0.0;
}

void ThermalProcess::Reset() {
  ProcessModel::Reset();
  rise_ = 0.0;
  pending_.clear();
  queued_ = 0.0;
  delivered_ = 0.0;
}

void ThermalProcess::Relax(double dt, double drive) {
  const double target = GainVoltsPerVolt * drive;
  const double decay = TimeConstantSeconds > 0.0 ? std::exp(-dt / TimeConstantSeconds) : 0.0;
  rise_ = target + (rise_ - target) * decay;
  delivered_ = drive;
}

void ThermalProcess::Advance(double dtSeconds, double driveVolts) {
  if (!(dtSeconds > 0.0)) return;
  // A heating element only heats: a negative order gives it no power, and the element
  // cools towards the room by itself.
  driveVolts = std::max(driveVolts, 0.0);
  const double dead = DeadTimeSeconds > 0.0 ? DeadTimeSeconds : 0.0;
  // The new drive enters the dead time; the oven receives what leaves it. While the
  // queue is shorter than the dead time (after a rest, or a longer dead time) the oven
  // keeps receiving the drive that last came out, 0 V after a rest.
  if (!pending_.empty() && pending_.back().second == driveVolts)
    pending_.back().first += dtSeconds;
  else
    pending_.emplace_back(dtSeconds, driveVolts);
  queued_ += dtSeconds;
  const double leaving = std::max(queued_ - dead, 0.0);
  if (leaving < dtSeconds) Relax(dtSeconds - leaving, delivered_);
  double left = leaving;
  while (left > 0.0 && !pending_.empty()) {
    auto& [duration, drive] = pending_.front();
    const double used = std::min(duration, left);
    Relax(used, drive);
    left -= used;
    queued_ -= used;
    duration -= used;
    if (duration <= 0.0) pending_.pop_front();
  }
  if (pending_.empty()) queued_ = 0.0;
}

double ThermalProcess::Input1Volts() const {
  return SensorVolts(rise_);
}

std::vector<ProcessParameter> ThermalProcess::Parameters() const {
  std::vector<ProcessParameter> list = {
      MemberParameter(StaticGainParameter(), &ThermalProcess::GainVoltsPerVolt),
      MemberParameter(TimeConstantParameter(), &ThermalProcess::TimeConstantSeconds),
      MemberParameter(ProcessParameter{.Name = "retard",
                                       .Label = "Retard (s)",
                                       .Subject = "Le retard",
                                       .Unit = "s",
                                       .Minimum = 0.0,
                                       .Maximum = 30.0,
                                       .Tip = "Temps entre l'ordre et le premier changement de "
                                              "température"},
                      &ThermalProcess::DeadTimeSeconds)};
  for (ProcessParameter& p : ProcessModel::Parameters()) list.push_back(std::move(p));
  return list;
}

void ThermalProcess::ValidateModel() const {
  ProcessModel::ValidateModel();
  RequireAtLeast(TimeConstantSeconds, 0.0, "La constante de temps");
  RequireAtLeast(DeadTimeSeconds, 0.0, "Le retard");
  if (!std::isfinite(GainVoltsPerVolt))
    throw VantorError("Le gain du procédé thermique simulé doit être un nombre");
  RequireSensor("La tension du capteur au repos doit être un nombre");
}

}  // namespace vantor
