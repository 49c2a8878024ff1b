// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A first order plant, the plant of identification lessons: the step response reaches
// 63 % of its final value K · u after T, its tangent at the start crosses the final
// value at T.
//
//   y(t) = retour above rest (V), u: drive voltage (V)
//   T · dy/dt + y = K · u
//   retour = clamp(SensorOffsetVolts + y, SensorMinVolts, SensorMaxVolts)
//
// Profiles: ideal, sensor noise ±0.01 V, at rest at 0 V; realistic, sensor noise
// ±0.05 V, at rest at 0.5 V (clear of the 0.2 V floor of the feedback conditioning).
#include "simulation/ProcessModel.h"

namespace vantor {

class FirstOrderProcess : public SensedProcess {
 public:
  FirstOrderProcess();

  void Reset() override;
  void Advance(double dtSeconds, double driveVolts) override;
  double Input1Volts() const override;
  std::optional<LinearProcess> Linear() const override {
    LinearProcess p;
    p.Gain = GainVoltsPerVolt;
    if (TimeConstantSeconds > 0) p.Lags = {TimeConstantSeconds};
    return p;
  }
  std::string Name() const override { return "Procédé du premier ordre"; }
  std::string Id() const override { return "premier-ordre"; }
  std::vector<ProcessParameter> Parameters() const override;
  void ApplyProfile(SimulationProfile profile) override;

  // K: sensor volts per volt of drive at steady state.
  double GainVoltsPerVolt = 1.0;
  // T: time constant, seconds (0 = the output follows the drive at once).
  double TimeConstantSeconds = 2.0;

 protected:
  void ValidateModel() const override;

 private:
  double rise_ = 0.0;
};

}  // namespace vantor
