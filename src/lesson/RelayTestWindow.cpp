// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/RelayTestWindow.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cmath>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "lesson-core/StepMeasures.h"
#include "widgets/ErrorReport.h"
#include "widgets/NumberField.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

QString Short(double v) {
  return ToQString(FormatShort(static_cast<long double>(v)));
}

}  // namespace

RelayTestWindow::RelayTestWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormRelais");
  setWindowTitle("Essai de relais");
  setModal(false);
  auto* column = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  EditD = new QLineEdit("2", this);
  EditD->setObjectName("EditD");
  EditEpsilon = new QLineEdit("0.05", this);
  EditEpsilon->setObjectName("EditEpsilon");
  EditBias = new QLineEdit("0", this);
  EditBias->setObjectName("EditBiais");
  form->addRow("Amplitude du relais d (V)", EditD);
  form->addRow("Hystérésis \u03b5 (V)", EditEpsilon);
  form->addRow("Biais de l'ordre (V)", EditBias);
  column->addLayout(form);
  LabelNoise = new QLabel(this);
  LabelNoise->setObjectName("LabelBruit");
  LabelNoise->setWordWrap(true);
  column->addWidget(LabelNoise);
  auto* hint = new QLabel(
      "Choisir d'abord une consigne en échelon au niveau voulu. L'ordre vaut biais ± d ; "
      "l'essai s'arrête de lui-même quand quatre périodes consécutives s'accordent à 5 % "
      "près, ou au bout de 60 s.",
      this);
  hint->setWordWrap(true);
  column->addWidget(hint);
  ButtonLaunch = new QPushButton("Lancer l'essai", this);
  ButtonLaunch->setObjectName("ButtonLancer");
  column->addWidget(ButtonLaunch);
  LabelResult = new QLabel(this);
  LabelResult->setObjectName("LabelResultat");
  LabelResult->setWordWrap(true);
  column->addWidget(LabelResult);
  Proposals = new QTableWidget(0, 5, this);
  Proposals->setObjectName("TableReglages");
  Proposals->setHorizontalHeaderLabels({"Méthode", "Structure", "Kp", "Ki", "Kd"});
  Proposals->setSelectionBehavior(QAbstractItemView::SelectRows);
  Proposals->setSelectionMode(QAbstractItemView::SingleSelection);
  Proposals->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Proposals->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  Proposals->horizontalHeader()->setStretchLastSection(true);
  Proposals->verticalHeader()->hide();
  column->addWidget(Proposals);
  ButtonApply = new QPushButton("Appliquer", this);
  ButtonApply->setObjectName("ButtonAppliquer");
  ButtonApply->setEnabled(false);
  column->addWidget(ButtonApply);
  ConnectGuarded(ButtonLaunch, &QPushButton::clicked, this, &RelayTestWindow::LaunchClick);
  ConnectGuarded(ButtonApply, &QPushButton::clicked, this, &RelayTestWindow::ApplyClick);
  resize(520, 520);
}

void RelayTestWindow::Propose(const Trial* last) {
  if (!last) {
    LabelNoise->setText("Pas encore d'essai sur ce procédé : \u03b5 n'a pas pu être proposé "
                        "d'après le bruit du retour ; 0.05 V par défaut.");
    EditEpsilon->setText("0.05");
    return;
  }
  double eps = 0;
  std::string reason;
  if (ProposedHysteresis(*last, eps, reason)) {
    EditEpsilon->setText(Short(eps));
    LabelNoise->setText("\u03b5 proposé d'après le bruit du retour avant l'échelon du dernier "
                        "essai (trois écarts types) : " + Short(eps) + " V.");
  } else {
    LabelNoise->setText("\u03b5 non proposé : " + ToQString(reason) + ".");
  }
  // The order that held the last run's end: the bias that keeps the oscillation centred.
  if (last->LastEntry >= kFinalValueEntries) {
    double sum = 0;
    for (int k = last->LastEntry - kFinalValueEntries + 1; k <= last->LastEntry; ++k)
      sum += last->At(kSeriesOrder, k) / 100.0;
    EditBias->setText(Short(std::round(sum / kFinalValueEntries * 10) / 10));
  }
}

RelaySettings RelayTestWindow::TypedSettings() const {
  RelaySettings r;
  r.Amplitude = ReadNumberField(EditD, "Amplitude du relais d", "0.05");
  r.Hysteresis = ReadNumberField(EditEpsilon, "Hystérésis \u03b5", "0.05");
  r.Bias = ReadNumberField(EditBias, "Biais", "0.05");
  if (const std::string fault = RelaySettingsFault(r); !fault.empty()) throw VantorError(fault);
  return r;
}

void RelayTestWindow::ShowResult(const RelayResult& r) {
  proposals_.clear();
  Proposals->setRowCount(0);
  ButtonApply->setEnabled(false);
  if (!r.Measured) {
    LabelResult->setText("Pas de résultat : " + ToQString(r.Reason) + ".");
    return;
  }
  LabelResult->setText(QString("Oscillation : a = %1 V, période critique Tc = %2 s (%3 "
                               "périodes) ; gain critique "
                               "Kc = 4d / (\u03c0 \u221a(a\u00b2 \u2212 \u03b5\u00b2)) = %4")
                           .arg(r.A, 0, 'f', 3)
                           .arg(r.Tu, 0, 'f', 2)
                           .arg(r.Periods)
                           .arg(r.Ku, 0, 'f', 2));
  proposals_ = r.Proposals;
  Proposals->setRowCount(static_cast<int>(proposals_.size()));
  for (int i = 0; i < static_cast<int>(proposals_.size()); ++i) {
    const GainProposal& g = proposals_[static_cast<std::size_t>(i)];
    const QString cells[] = {ToQString(g.MethodName), ToQString(g.Structure),
                             QString::number(g.Kp, 'f', 3), QString::number(g.Ki(), 'f', 3),
                             QString::number(g.Kd(), 'f', 3)};
    for (int c = 0; c < 5; ++c) Proposals->setItem(i, c, new QTableWidgetItem(cells[c]));
  }
  Proposals->selectRow(0);
  ButtonApply->setEnabled(true);
}

void RelayTestWindow::SetRunning(bool running) {
  ButtonLaunch->setEnabled(!running);
  ButtonApply->setEnabled(!running && !proposals_.empty());
}

void RelayTestWindow::LaunchClick() {
  const RelaySettings r = TypedSettings();
  if (Launch) Launch(r);
}

void RelayTestWindow::ApplyClick() {
  const int row = Proposals->currentRow();
  if (row < 0 || row >= static_cast<int>(proposals_.size()))
    throw VantorError("Choisissez d'abord une ligne du tableau des réglages");
  if (Apply) Apply(proposals_[static_cast<std::size_t>(row)]);
}

}  // namespace vantor
