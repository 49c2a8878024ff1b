// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The model an identification gives, run as a simulated process: n first orders of the
// same time constant after a pure delay (n = 1: the first order with delay; Strejc's
// model), or an integrator after a pure delay.
//
//   stable:       y = K · u(t − R') through 1/(1 + Ts)^n
//   integrating:  dy/dt = k · u(t − R')
//   retour = limite(décalage + y, 0, 10 V)
//
// The delay the user gives, R, is the one read on the recorded feedback, so it includes
// the 0.225 s the averaging of the feedback adds; the process itself delays by
// R' = max(0, R − 0.225 s), and a run of the model then shows R again.
//
// Profiles: ideal, noise ±0.01 V, at rest at 0 V; realistic, ±0.05 V, at rest at 0.5 V
// (1 V for the integrator), clear of the feedback's 0.2 V floor. The prediction sets the
// rest voltage (décalage) to the feedback before the identified step.
#include <deque>
#include <utility>
#include <vector>

#include "simulation/ProcessModel.h"

namespace vantor {

class IdentifiedModel : public SensedProcess {
 public:
  enum class Form { FirstOrder, Strejc, Integrator };
  explicit IdentifiedModel(Form form);

  void Reset() override;
  void Advance(double dtSeconds, double driveVolts) override;
  double Input1Volts() const override;
  std::optional<LinearProcess> Linear() const override;
  std::string Name() const override;
  std::string Id() const override;
  std::vector<ProcessParameter> Parameters() const override;
  void ApplyProfile(SimulationProfile profile) override;

  Form Shape() const { return form_; }
  // Stable: K, V/V; integrating: k, 1/s (volts per second per volt of order).
  double Gain = 1.0;
  double TimeConstantSeconds = 8.0;  // T (stable)
  double DelaySeconds = 1.7;         // R, as read on the feedback
  double Order = 1;                  // n (Strejc), a whole number from 1 to 6
  // The sensor's offset is the rest voltage (décalage); its range stays 0-10 V.
  // The least order that acts, taken from the identified process (a heater's 0 V): below
  // it the model receives that floor. None by default: the model is driven both ways.
  std::optional<double> DriveFloorVolts;
  std::optional<double> DriveFloor() const override { return DriveFloorVolts; }

 protected:
  void ValidateModel() const override;

 private:
  void Relax(double dtSeconds, double driveVolts);

  Form form_;
  std::vector<double> stages_;
  double output_ = 0.0;
  std::deque<std::pair<double, double>> pending_;  // (duration, drive), oldest first
  double queued_ = 0.0;
};

}  // namespace vantor
