// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Perturbation" button of the simulated workstation, in the live trace window:
// pressed, the load of the "Simulation" menu brakes the process; released, it is gone,
// as a student would brake the shaft by hand. It stays usable during a run, and shows
// the load scheduled by the menu coming on by itself.
#include <QPushButton>
#include <QTimer>

#include "card/SimulatedCard.h"
#include "widgets/Workstation.h"

namespace vantor {

class PerturbationToggle : public QPushButton {
  Q_OBJECT
 public:
  explicit PerturbationToggle(SimulatedCard& card, QWidget* parent = nullptr);
  // Shows whether the load is on, and its size in the tooltip.
  void Refresh();

 protected:
  // A click turns the load itself over, even if the display is a poll behind.
  void nextCheckState() override;

 private:
  SimulatedCard& card_;
  QTimer poll_;
};

// Puts the button where the student watches the run: in the live trace window ("Essais",
// "Tracé en direct"), which stays usable during a run.
void PlacePerturbationToggle(Workstation& workstation, PerturbationToggle* toggle);

}  // namespace vantor
