// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// DC motor regulated in speed, its speed read by a tachometer.
//
//   tau · dw/dt + w = K · v            u: drive voltage (V), w: speed (rad/s)
//   v = u less the dry friction (see MotorMechanics.h)
//   retour = clamp(offset + Kt · w, SensorMinVolts, SensorMaxVolts)
//
// With a P-only corrector the loop keeps a static error (the motor needs a non-zero
// drive to turn); the integral term removes it.
//
// Profiles: ideal, noise ±0.01 V and no friction; realistic, a tachometer ripple of ±2 %
// of the reading plus ±0.02 V, and a 0.5 V dead zone of dry friction.
#include "simulation/ProcessModel.h"

namespace vantor {

class DcMotorSpeed : public SensedProcess {
 public:
  DcMotorSpeed();

  void Reset() override;
  void Advance(double dtSeconds, double driveVolts) override;
  double Input1Volts() const override;
  std::optional<LinearProcess> Linear() const override {
    LinearProcess p;
    p.Gain = GainRadPerSecondPerVolt * TachoVoltsPerRadPerSecond;
    if (TimeConstantSeconds > 0) p.Lags = {TimeConstantSeconds};
    return p;
  }
  std::string Name() const override { return "Moteur à courant continu : vitesse"; }
  std::string Id() const override { return "vitesse"; }
  std::vector<ProcessParameter> Parameters() const override;
  void ApplyProfile(SimulationProfile profile) override;

  double SpeedRadPerSecond() const { return speed_; }

  // K: steady speed per volt of drive, (rad/s)/V.
  double GainRadPerSecondPerVolt = 10.0;
  // tau: mechanical time constant, seconds (0 = the speed follows the drive at once).
  double TimeConstantSeconds = 0.5;
  // F: drive voltage lost to dry friction while turning, and below which the motor at
  // standstill does not start (0 = no friction).
  double FrictionVolts = 0.0;
  // Kt: tachometer constant, V/(rad/s). With K = 10 and Kt = 0.1, 1 V of drive gives
  // 1 V of feedback at steady state.
  double TachoVoltsPerRadPerSecond = 0.1;
  // The sensor's offset is the tachometer's voltage at rest; its range is that of the
  // conditioning (0-10 V: a motor turning backwards reads 0 V).

 protected:
  void ValidateModel() const override;

 private:
  double speed_ = 0.0;
};

}  // namespace vantor
