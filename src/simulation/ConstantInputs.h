// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A process that holds analog inputs 0 and 1 at fixed converter counts (counts of the
// unipolar 0-10.24 V range) whatever the drive: for tests that need exact readings.
#include "simulation/ProcessModel.h"

namespace vantor {

class ConstantInputs : public ProcessModel {
 public:
  ConstantInputs(int input0Counts, int input1Counts)
      : Input0Counts(input0Counts), Input1Counts(input1Counts) {}

  void Advance(double, double) override {}
  double Input1Volts() const override;
  std::optional<double> Input0Volts() const override;
  std::string Name() const override { return "Entrées constantes"; }
  std::string Id() const override { return "constant"; }

  // Counts 0..4095; the voltage served is the one the converter turns back into them.
  int Input0Counts;
  int Input1Counts;

 protected:
  void ValidateModel() const override;
};

}  // namespace vantor
