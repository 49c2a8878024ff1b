// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/ConstantInputs.h"

#include "common/CardScale.h"
#include "common/VantorError.h"

namespace vantor {

namespace {
double CountsToVolts(int counts) {
  return static_cast<double>(InputCountsToVolts(counts));
}
}  // namespace

double ConstantInputs::Input1Volts() const {
  return CountsToVolts(Input1Counts);
}

std::optional<double> ConstantInputs::Input0Volts() const {
  return CountsToVolts(Input0Counts);
}

void ConstantInputs::ValidateModel() const {
  ProcessModel::ValidateModel();
  if (Input0Counts < 0 || Input0Counts > 4095 || Input1Counts < 0 || Input1Counts > 4095)
    throw VantorError(
        "Les valeurs fixes des entrées simulées doivent être comprises entre 0 et "
        "4095");
}

}  // namespace vantor
