// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/IdentifiedModel.h"

#include <algorithm>
#include <cmath>

#include "common/VantorError.h"

namespace vantor {

namespace {

// What the ten-sample mean of the feedback adds to every delay read on it.
constexpr double kAveragingDelaySeconds = 0.225;

}  // namespace

IdentifiedModel::IdentifiedModel(Form form) : form_(form) {
  NoiseVolts = 0.01;
  if (form == Form::Integrator) {
    Gain = 0.5;
    DelaySeconds = 0.4;
  } else if (form == Form::Strejc) {
    Order = 3;
    TimeConstantSeconds = 2.0;
    DelaySeconds = 0.5;
  }
}

void IdentifiedModel::ApplyProfile(SimulationProfile profile) {
  ProcessModel::ApplyProfile(profile);
  const bool real = profile == SimulationProfile::Realistic;
  NoiseVolts = real ? 0.05 : 0.01;
  // At rest clear of the 0.2 V floor of the feedback's conditioning, as the oven and the
  // position motor are.
  SensorOffsetVolts = real ? (form_ == Form::Integrator ? 1.0 : 0.5) : 0.0;
}

std::string IdentifiedModel::Name() const {
  switch (form_) {
    case Form::FirstOrder:
      return "Modèle identifié : premier ordre et retard";
    case Form::Strejc:
      return "Modèle identifié : Strejc";
    case Form::Integrator:
      return "Modèle identifié : intégrateur et retard";
  }
  return {};
}

std::string IdentifiedModel::Id() const {
  switch (form_) {
    case Form::FirstOrder:
      return "ordre1";
    case Form::Strejc:
      return "strejc";
    case Form::Integrator:
      return "integrateur";
  }
  return {};
}

void IdentifiedModel::Reset() {
  ProcessModel::Reset();
  stages_.assign(form_ == Form::Strejc ? static_cast<std::size_t>(std::lround(Order)) : 1, 0.0);
  output_ = 0.0;
  pending_.clear();
  queued_ = 0.0;
}

void IdentifiedModel::Relax(double dt, double drive) {
  if (form_ == Form::Integrator) {
    output_ += Gain * drive * dt;
    return;
  }
  if (stages_.empty()) stages_.assign(1, 0.0);
  // Each stage exact for its input held over the step (the steps are the card's 1 ms).
  const double decay = TimeConstantSeconds > 0 ? std::exp(-dt / TimeConstantSeconds) : 0.0;
  double input = Gain * drive;
  for (double& x : stages_) {
    x = input + (x - input) * decay;
    input = x;
  }
  output_ = stages_.back();
}

void IdentifiedModel::Advance(double dtSeconds, double driveVolts) {
  if (!(dtSeconds > 0.0)) return;
  if (DriveFloorVolts) driveVolts = std::max(driveVolts, *DriveFloorVolts);
  const double delay = std::max(0.0, DelaySeconds - kAveragingDelaySeconds);
  if (delay <= 0.0) {
    Relax(dtSeconds, driveVolts);
    return;
  }
  pending_.emplace_back(dtSeconds, driveVolts);
  queued_ += dtSeconds;
  // Until the queue holds the delay, the process receives nothing new (at rest: 0 V).
  double excess = queued_ - delay;
  while (excess > 1e-12 && !pending_.empty()) {
    auto& [duration, drive] = pending_.front();
    const double piece = std::min(duration, excess);
    Relax(piece, drive);
    duration -= piece;
    excess -= piece;
    queued_ -= piece;
    if (duration <= 1e-12) pending_.pop_front();
  }
}

std::optional<LinearProcess> IdentifiedModel::Linear() const {
  LinearProcess p;
  p.Gain = Gain;
  p.Integrating = form_ == Form::Integrator;
  if (!p.Integrating && TimeConstantSeconds > 0)
    p.Lags.assign(form_ == Form::Strejc ? static_cast<std::size_t>(std::lround(Order)) : 1,
                  TimeConstantSeconds);
  // The delay read on the feedback holds the mean's, which the loop adds again.
  p.Delay = std::max(0.0, DelaySeconds - kAveragingDelaySeconds);
  return p;
}

double IdentifiedModel::Input1Volts() const {
  return SensorVolts(output_);
}

std::vector<ProcessParameter> IdentifiedModel::Parameters() const {
  std::vector<ProcessParameter> list;
  if (form_ == Form::Integrator) {
    list.push_back(MemberParameter(
        ProcessParameter{.Name = "gain",
                         .Label = "Gain intégrateur k (1/s)",
                         .Subject = "Le gain intégrateur",
                         .Unit = "1/s",
                         .Minimum = -100.0,
                         .Maximum = 100.0,
                         .Tip = "Pente de la rampe en V/s par volt d'ordre"},
        &IdentifiedModel::Gain));
  } else {
    list.push_back(MemberParameter(StaticGainParameter(), &IdentifiedModel::Gain));
    list.push_back(MemberParameter(TimeConstantParameter(), &IdentifiedModel::TimeConstantSeconds));
  }
  list.push_back(MemberParameter(
      ProcessParameter{.Name = "retard",
                       .Label = "Retard lu sur le retour (s)",
                       .Subject = "Le retard",
                       .Unit = "s",
                       .Minimum = 0.0,
                       .Maximum = 30.0,
                       .Tip = "Le retard identifié, moyenne du retour (0,225 s) comprise"},
      &IdentifiedModel::DelaySeconds));
  if (form_ == Form::Strejc)
    list.push_back(MemberParameter(ProcessParameter{.Name = "ordre",
                                                    .Label = "Ordre n",
                                                    .Subject = "L'ordre",
                                                    .Feminine = false,
                                                    .Minimum = 1.0,
                                                    .Maximum = 6.0,
                                                    .Whole = true},
                                   &IdentifiedModel::Order));
  list.push_back(MemberParameter(ProcessParameter{.Name = "repos",
                                                  .Label = "Retour au repos (V)",
                                                  .Subject = "Le retour au repos",
                                                  .Unit = "V",
                                                  .Minimum = 0.0,
                                                  .Maximum = 10.0},
                                 &IdentifiedModel::SensorOffsetVolts));
  for (ProcessParameter& p : ProcessModel::Parameters()) list.push_back(std::move(p));
  return list;
}

void IdentifiedModel::ValidateModel() const {
  ProcessModel::ValidateModel();
  if (!std::isfinite(Gain)) throw VantorError("Le gain du modèle identifié doit être un nombre");
  RequireAtLeast(DelaySeconds, 0.0, "Le retard");
  if (form_ != Form::Integrator) RequireAtLeast(TimeConstantSeconds, 0.0, "La constante de temps");
}

}  // namespace vantor
