// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation-ui/PerturbationToggle.h"

#include <QSignalBlocker>

#include "common/Numbers.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {
// Often enough to follow a scheduled load within a cycle or two of the loop.
constexpr int kPollMs = 100;
}  // namespace

PerturbationToggle::PerturbationToggle(SimulatedCard& card, QWidget* parent)
    : QPushButton("Perturbation", parent), card_(card) {
  setObjectName("Perturbation");
  setCheckable(true);
  setFocusPolicy(Qt::NoFocus);  // Entrée and Espace stay with the main window's fields
  // Pressed, it must be seen from across the room.
  setStyleSheet(
      "QPushButton { font-weight: bold; }"
      "QPushButton:checked { background-color: #b22222; color: white; }");
  connect(this, &QPushButton::toggled, this, [this](bool on) {
    card_.SetLoadApplied(on);
    Refresh();
  });
  connect(&poll_, &QTimer::timeout, this, &PerturbationToggle::Refresh);
  poll_.start(kPollMs);
  Refresh();
}

void PerturbationToggle::nextCheckState() {
  const bool on = !card_.LoadApplied();
  if (isChecked() == on) {  // no toggled signal then: apply it here
    card_.SetLoadApplied(on);
    Refresh();
  }
  setChecked(on);
}

void PerturbationToggle::Refresh() {
  const bool on = card_.LoadApplied();
  if (isChecked() != on) {
    const QSignalBlocker quiet(this);
    setChecked(on);
  }
  const QString volts = ToQString(FormatShort(card_.LoadVolts()));
  setToolTip(on ? "Charge de " + volts + " V appliquée : cliquer pour la retirer"
                : "Cliquer pour freiner le procédé par une charge de " + volts +
                      " V (menu « Simulation », « Charge »)");
}

void PlacePerturbationToggle(Workstation& workstation, PerturbationToggle* toggle) {
  toggle->setAutoDefault(false);
  toggle->setMinimumSize(90, 25);
  workstation.AddLiveTraceControl(toggle);
}

}  // namespace vantor
