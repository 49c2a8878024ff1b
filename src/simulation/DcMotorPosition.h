// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// DC motor regulated in position, its shaft angle read by a potentiometer.
//
//   tau · dw/dt + w = K · v            u: drive voltage (V), w: speed (rad/s)
//   v = u less the dry friction (see MotorMechanics.h)
//   dθ/dt = w                          θ: angle (rad)
//   retour = offset + Ks · θ, the angle held between the two end stops, which are where
//            the potentiometer reads SensorMinVolts and SensorMaxVolts; against a stop the
//            motor is stalled (speed 0) as long as the drive pushes into it.
//
// The integrator makes the frictionless P-only loop reach the setpoint without static
// error; the motor's lag and the loop's ten-sample mean make it overshoot as Kp grows.
// Dry friction leaves an error of up to F / Kp, which only the integral term removes.
//
// Profiles: ideal, noise ±0.01 V, no friction, at rest on the 0 V end stop; realistic,
// potentiometer noise ±0.02 V (a few counts of a 12-bit converter), a 0.5 V dead zone of dry
// friction, at rest at 1 V, off the end stop (clear of the 0.2 V floor of the feedback
// conditioning).
#include "simulation/ProcessModel.h"

namespace vantor {

class DcMotorPosition : public SensedProcess {
 public:
  DcMotorPosition();

  void Reset() override;
  void Advance(double dtSeconds, double driveVolts) override;
  double Input1Volts() const override;
  std::optional<LinearProcess> Linear() const override {
    LinearProcess p;
    p.Gain = GainRadPerSecondPerVolt * SensorVoltsPerRadian;
    p.Integrating = true;
    if (TimeConstantSeconds > 0) p.Lags = {TimeConstantSeconds};
    return p;
  }
  std::string Name() const override { return "Moteur à courant continu : position"; }
  std::string Id() const override { return "position"; }
  std::vector<ProcessParameter> Parameters() const override;
  void ApplyProfile(SimulationProfile profile) override;

  double PositionRadians() const { return position_; }
  double SpeedRadPerSecond() const { return speed_; }

  // K: steady speed per volt of drive, (rad/s)/V.
  double GainRadPerSecondPerVolt = 1.0;
  // tau: mechanical time constant, seconds (0 = the speed follows the drive at once).
  double TimeConstantSeconds = 0.2;
  // F: drive voltage lost to dry friction (see DcMotorSpeed).
  double FrictionVolts = 0.0;
  // Ks: potentiometer sensitivity, V/rad (must be positive).
  double SensorVoltsPerRadian = 1.0;
  // The potentiometer's voltage at angle 0 (the rest position after Reset()) is the
  // sensor's offset; its voltages at the two end stops are the sensor's range.

 protected:
  void ValidateModel() const override;

 private:
  double position_ = 0.0;
  double speed_ = 0.0;
};

}  // namespace vantor
