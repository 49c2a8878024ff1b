// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation-ui/SimulationLoadDialog.h"

#include <QFormLayout>
#include <QLabel>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "simulation-ui/ApplyButtons.h"
#include "widgets/QtText.h"

namespace vantor {

SimulationLoadDialog::SimulationLoadDialog(SimulatedCard& card, QWidget* parent)
    : QDialog(parent), card_(card) {
  setObjectName("SimulationLoad");
  setWindowTitle("Charge sur le procédé simulé");
  auto* form = new QFormLayout(this);
  auto* help = new QLabel(
      "La charge freine le procédé : il reçoit l'ordre diminué de la charge, comme un "
      "moteur que l'on freine à la main. Pendant un essai, le bouton "
      "«\u00a0Perturbation\u00a0» de la fenêtre «\u00a0Tracé en direct\u00a0» (menu "
      "«\u00a0Essais\u00a0») l'applique ou la retire à tout moment.",
      this);
  help->setWordWrap(true);
  form->addRow(help);
  EditLoad = new QLineEdit(this);
  EditLoad->setObjectName("EditLoad");
  form->addRow("Charge : volts d'ordre perdus (0 à 10 V)", EditLoad);
  EditLoadStart = new QLineEdit(this);
  EditLoadStart->setObjectName("EditLoadStart");
  EditLoadStart->setPlaceholderText("vide : au bouton seulement");
  for (QLineEdit* e : {EditLoad, EditLoadStart}) e->setMinimumWidth(200);
  form->addRow("Appliquée à chaque essai à partir de (s)", EditLoadStart);
  AddApplyButtons(*this, *form, [this] { Apply(); });
}

void SimulationLoadDialog::Refill() {
  EditLoad->setText(ShortText(card_.LoadVolts()));
  EditLoadStart->setText(start_ ? ShortText(*start_) : QString());
}

void SimulationLoadDialog::Apply() {
  const double load = static_cast<double>(StrToFloat(ToStdString(EditLoad->text().trimmed())));
  if (!(load >= 0 && load <= 10)) throw VantorError("La charge doit être comprise entre 0 et 10 V");
  std::optional<double> start;
  const QString startText = EditLoadStart->text().trimmed();
  if (!startText.isEmpty()) {
    start = static_cast<double>(StrToFloat(ToStdString(startText)));
    if (!(*start >= 0 && *start <= 95))
      throw VantorError(
          "Le début de la charge doit être compris entre 0 et 95 s (la durée de "
          "l'enregistrement), ou laissé vide");
  }
  card_.SetLoadVolts(load);
  start_ = start;
}

}  // namespace vantor
