// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/PumpingWindow.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Numbers.h"
#include "lesson-core/TuningRules.h"
#include "lesson/IdentificationWindow.h"
#include "lesson/ReadingLabels.h"
#include "widgets/ErrorReport.h"
#include "widgets/QtText.h"

namespace vantor {

PumpingWindow::PumpingWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormPompage");
  setWindowTitle("Pompage (Ziegler–Nichols)");
  setModal(false);
  auto* column = new QVBoxLayout(this);
  title_ = AddRunTitleLabel(this, column);
  reason_ = AddReasonLabel(this, column);
  readings_ = AddReadingsLabel(this, column);
  auto* note = new QLabel(
      "Essai en P seul (Kd = Ki = 0), en boucle fermée, Kp augmenté jusqu'à une oscillation "
      "qui ne s'amortit plus : le gain critique Kc est le Kp de l'essai, la période critique "
      "Tc la période moyenne de l'erreur, "
      "lue sur ses passages par sa valeur moyenne (un correcteur P laisse une erreur au "
      "repos) pendant les dernières périodes complètes. Une oscillation qui ne s'amortit pas "
      "alors que l'ordre atteint ses limites (ou, pour le procédé thermique, descend nettement "
      "sous 0 V, où l'élément ne reçoit plus rien) est « bornée par les limites de l'ordre » : "
      "Kc est alors plus petit que le Kp de l'essai.",
      this);
  note->setWordWrap(true);
  column->addWidget(note);
  gains_ = new GainProposalsView(this);
  column->addWidget(gains_, 1);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* help = buttons->addButton("Aide", QDialogButtonBox::HelpRole);
  help->setObjectName("ButtonAide");
  QPushButton* close = buttons->addButton("Fermer", QDialogButtonBox::RejectRole);
  close->setObjectName("ButtonFermer");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
  ConnectGuarded(help, &QPushButton::clicked, this, &PumpingWindow::HelpClicked, this);
  column->addWidget(buttons);
  resize(680, 480);
  ShowRun(nullptr, 0, 0, 0);
}

void PumpingWindow::HelpClicked() {
  if (HelpRequested) HelpRequested();
}

void PumpingWindow::ShowRun(const Trial* run, std::int32_t kpmax, std::int32_t kdmax,
                            std::int32_t kimax) {
  readings_->clear();
  pumping_ = Pumping();
  if (!run) {
    title_->setText("Aucun essai");
    reason_->setText("Pas de pompage : lancez en boucle fermée un essai en P seul qui oscille.");
    reason_->show();
    gains_->SetProposals({}, kpmax, kdmax, kimax);
    return;
  }
  title_->setText(RunTitle(*run));
  pumping_ = MeasurePumping(*run);
  if (!pumping_.Measured) {
    reason_->setText("Pas de pompage : " + ToQString(pumping_.Reason) + ".");
    reason_->show();
    gains_->SetProposals({}, kpmax, kdmax, kimax);
    return;
  }
  reason_->hide();
  const auto n = [](double v) { return ToQString(FormatFixed2(static_cast<long double>(v))); };
  readings_->setText(
      "<table><tr><td>Gain critique Kc (Kp de l'essai)</td><td align='right'><b>" + n(pumping_.Ku) +
      "</b></td></tr><tr><td>Période critique Tc (moyenne sur " +
      QString::number(pumping_.PeriodsUsed) + " périodes)</td><td align='right'><b>" +
      n(pumping_.Tu) + "</b> s</td></tr><tr><td>Rapport de deux crêtes successives</td>" +
      "<td align='right'><b>" + n(pumping_.PeakRatio) + "</b></td></tr><tr><td>Oscillation</td>" +
      "<td align='right'><b>" + ToQString(OscillationWord(pumping_.Kind)) + "</b></td></tr></table>");
  if (pumping_.Kind != Oscillation::Sustained) {
    gains_->SetProposals({}, kpmax, kdmax, kimax,
                         "l'oscillation est " + ToQString(OscillationWord(pumping_.Kind)) +
                             " : Kp n'est pas le gain critique (" +
                             (pumping_.Kind == Oscillation::Damped ? "augmenter" : "diminuer") +
                             " Kp et recommencer)");
    return;
  }
  std::vector<GainProposal> proposals = ZieglerNicholsClosedLoop(pumping_.Ku, pumping_.Tu);
  for (GainProposal& g : TyreusLuyben(pumping_.Ku, pumping_.Tu)) proposals.push_back(g);
  gains_->SetProposals(proposals, kpmax, kdmax, kimax);
}

}  // namespace vantor
