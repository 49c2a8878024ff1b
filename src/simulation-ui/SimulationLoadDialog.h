// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The load disturbance of the simulated workstation, set before a run: how many volts of
// drive the load takes away, and when it comes on during a run (or only from the
// "Perturbation" button).
#include <QDialog>
#include <QLineEdit>
#include <optional>

#include "card/SimulatedCard.h"

namespace vantor {

class SimulationLoadDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SimulationLoadDialog(SimulatedCard& card, QWidget* parent = nullptr);
  // Fills the fields from the card's load and the start time in use.
  void Refill();
  // Converts and checks both fields, then sets the card's load and the start time;
  // throws VantorError with a French message and changes nothing when a field is wrong.
  void Apply();
  // Seconds after "Début" at which each run applies the load; none: only the button does.
  std::optional<double> StartSeconds() const { return start_; }
  // No load is scheduled any more (another process, or the process put at rest).
  void ForgetStart() { start_.reset(); }

  QLineEdit* EditLoad = nullptr;
  QLineEdit* EditLoadStart = nullptr;

 private:
  SimulatedCard& card_;
  std::optional<double> start_;
};

}  // namespace vantor
