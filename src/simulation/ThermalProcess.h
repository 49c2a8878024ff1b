// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small heating element whose temperature is read by a conditioned sensor, a first
// order plus dead time, time-scaled so that a step settles well within the run record:
//
//   y(t) = retour above rest (V), u: drive voltage (V), L: dead time (s)
//   T · dy/dt + y = K · u(t − L)
//   retour = clamp(SensorOffsetVolts + y, SensorMinVolts, SensorMaxVolts)
//
// The sensor reads 0 to 10 V for 20 to 120 °C (0.1 V/°C); at rest the oven is at room
// temperature. The element only heats: a negative drive gives no power, and the element
// then cools towards the room with its own time constant. This is the plant of the
// tangent method:
// the drive reaches the oven only after L, then the response is a first order of gain K
// and time constant T.
//
// Profiles: ideal, sensor noise ±0.01 V, room at 20 °C (0 V); realistic, sensor noise
// ±0.05 V, room at 25 °C (0.5 V, clear of the 0.2 V floor of the feedback conditioning).
#include <deque>
#include <utility>

#include "simulation/ProcessModel.h"

namespace vantor {

class ThermalProcess : public SensedProcess {
 public:
  ThermalProcess();

  void Reset() override;
  void Advance(double dtSeconds, double driveVolts) override;
  std::optional<double> DriveFloor() const override { return 0.0; }
  double Input1Volts() const override;
  std::optional<LinearProcess> Linear() const override {
    LinearProcess p;
    p.Gain = GainVoltsPerVolt;
    if (TimeConstantSeconds > 0) p.Lags = {TimeConstantSeconds};
    p.Delay = DeadTimeSeconds;
    return p;
  }
  std::string Name() const override { return "Procédé thermique : premier ordre et retard"; }
  std::string Id() const override { return "thermique"; }
  std::vector<ProcessParameter> Parameters() const override;
  void ApplyProfile(SimulationProfile profile) override;

  // y, the sensor voltage above its rest value.

  // K: sensor volts per volt of drive at steady state.
  double GainVoltsPerVolt = 1.0;
  // T: time constant, seconds (0 = the temperature follows the delayed drive at once).
  double TimeConstantSeconds = 8.0;
  // L: dead time between the drive and the first change of temperature, seconds.
  double DeadTimeSeconds = 1.5;

 protected:
  void ValidateModel() const override;

 private:
  void Relax(double dtSeconds, double driveVolts);

  double rise_ = 0.0;
  // The drive of the last L seconds, oldest first: (duration, volts) pieces, and their
  // total duration.
  std::deque<std::pair<double, double>> pending_;
  double queued_ = 0.0;
  // The drive the oven received last.
  double delivered_ = 0.0;
};

}  // namespace vantor
