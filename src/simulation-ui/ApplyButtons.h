// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Appliquer" / "Annuler" row at the bottom of the simulated workstation's dialogs.
#include <QDialog>
#include <QFormLayout>
#include <functional>

namespace vantor {

// "Appliquer" runs `apply` inside the error box wrapper and closes the dialog only when
// it succeeded (a wrong field keeps it open); "Annuler" closes it.
void AddApplyButtons(QDialog& dialog, QFormLayout& form, std::function<void()> apply);

}  // namespace vantor
