// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A relay instead of the PID: the order is bias + d while the error is above +ε,
// bias − d once it falls below −ε, and keeps its level in between (hysteresis). Before
// the error first leaves the band the order is the bias. Two uses: the relay test, which
// ends its run once the oscillation is steady (or at 60 s), and the on-off corrector of
// the thermal lesson ("Tout ou rien", bias 0), which runs until "Fin". Qt-free.
#include <string>

#include "regulation/CorrectorLaw.h"
#include "regulation/RelayOscillation.h"

namespace vantor {

struct RelaySettings {
  double Amplitude = 0;   // d, V
  double Hysteresis = 0;  // ε, V
  double Bias = 0;        // the order's centre, V
};

// What is wrong with a relay's settings, in French, or empty: d from 0 (excluded) to
// 10 V, ε from 0 to 2 V, the bias from -10 to 10 V.
std::string RelaySettingsFault(const RelaySettings& settings);

class RelayLaw : public CorrectorLaw {
 public:
  enum class Use { Test, OnOff };
  RelayLaw(const RelaySettings& settings, Use use);

  void BeginRun(const RegulationState& s) override;
  long double Order(const RegulationState& s, long double setpoint) override;
  bool RunComplete() const override;
  std::string Name() const override;
  std::string Caption() const override;

  const RelaySettings& Settings() const { return settings_; }
  Use Kind() const { return use_; }
  // The oscillation as the run has shown it so far.
  const RelayOscillation& Oscillation() const { return oscillation_; }

 private:
  RelaySettings settings_;
  Use use_;
  int state_ = 0;  // +1 high, -1 low, 0 not yet switched
  int cycles_ = 0;
  int limitCycles_ = 0;
  RelayOscillation oscillation_;
};

}  // namespace vantor
