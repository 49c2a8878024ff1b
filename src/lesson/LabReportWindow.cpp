// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/LabReportWindow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "widgets/ErrorReport.h"

namespace vantor {

LabReportWindow::LabReportWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormRapport");
  setWindowTitle("Rapport de TP");
  setModal(false);
  auto* column = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  EditNames = new QLineEdit(this);
  EditNames->setObjectName("EditNoms");
  EditNames->setPlaceholderText("Dupont, Martin");
  EditTitle = new QLineEdit(this);
  EditTitle->setObjectName("EditTitre");
  EditTitle->setPlaceholderText("Régulation de position du moteur");
  form->addRow("Noms des élèves :", EditNames);
  form->addRow("Titre du rapport :", EditTitle);
  column->addLayout(form);
  LabelRuns = new QLabel(this);
  LabelRuns->setObjectName("LabelEssaisRapport");
  LabelRuns->setWordWrap(true);
  column->addWidget(LabelRuns);
  auto* buttons = new QHBoxLayout();
  ButtonWrite = new QPushButton("Écrire le rapport…", this);
  ButtonWrite->setObjectName("ButtonEcrireRapport");
  auto* close = new QPushButton("Fermer", this);
  buttons->addStretch();
  buttons->addWidget(ButtonWrite);
  buttons->addWidget(close);
  column->addLayout(buttons);
  resize(520, sizeHint().height());
  ConnectGuarded(ButtonWrite, &QPushButton::clicked, this, [this] {
    if (WriteRequested) WriteRequested();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void LabReportWindow::ShowRunCount(int count) {
  LabelRuns->setText(
      count == 0 ? QString("Aucun essai choisi : choisissez dans « Journal de la séance » les "
                           "essais du rapport (Ctrl+clic pour en ajouter).")
                 : QString("Essais du rapport : les %1 essais choisis dans « Journal de la "
                           "séance ».")
                       .arg(count));
}

}  // namespace vantor
