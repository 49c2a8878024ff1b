// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/IdentificationWindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "common/Numbers.h"
#include "lesson-core/TuningRules.h"
#include "lesson/ReadingLabels.h"
#include "widgets/ErrorReport.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

QString N(double v) {
  return ToQString(FormatFixed2(static_cast<long double>(v)));
}

QString Row(const QString& name, const QString& value, const QString& unit = {}) {
  return "<tr><td>" + name + "</td><td align='right'>&nbsp;&nbsp;<b>" + value +
         "</b></td><td>&nbsp;" + unit + "</td></tr>";
}

QString Heading(const QString& text) {
  return "<tr><td colspan='3'><br><u>" + text + "</u></td></tr>";
}

// The models of the list, in its order.
constexpr ModelKind kStableModels[] = {ModelKind::Tangent, ModelKind::Strejc, ModelKind::Broida,
                                       ModelKind::LeastSquares};

}  // namespace

QString RunTitle(const Trial& run) {
  QString title = QString("Essai %1 : ").arg(run.Number) + ToQString(run.SetpointCaption) +
                  ", Kp " + ShortText(run.Kp) + ", Kd " + ShortText(run.Kd) + ", Ki " +
                  ShortText(run.Ki);
  if (!run.SourceFile.empty()) title += " (" + ToQString(run.SourceFile) + ")";
  return title;
}

IdentificationWindow::IdentificationWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormIdentification");
  setWindowTitle("Identification du procédé");
  setModal(false);
  auto* column = new QVBoxLayout(this);
  title_ = AddRunTitleLabel(this, column);
  reason_ = AddReasonLabel(this, column);
  readings_ = AddReadingsLabel(this, column);
  auto* note = new QLabel(
      "Les retards sont lus sur le retour enregistré, qui est la moyenne des dix dernières "
      "mesures : ils comprennent les 0,225 s de cette moyenne (4,5 périodes de 50 ms), comme "
      "sur les fiches de méthode.",
      this);
  note->setObjectName("LabelMoyenne");
  note->setWordWrap(true);
  column->addWidget(note);
  auto* choice = new QHBoxLayout();
  choice->addWidget(new QLabel("Modèle tracé (en tirets) et réglé :", this));
  model_ = new QComboBox(this);
  model_->setObjectName("ComboModele");
  choice->addWidget(model_, 1);
  column->addLayout(choice);
  gains_ = new GainProposalsView(this);
  column->addWidget(gains_, 1);
  auto* buttons = new QDialogButtonBox(this);
  predict_ = buttons->addButton("Prévoir la réponse", QDialogButtonBox::ActionRole);
  predict_->setObjectName("ButtonPrevoir");
  QPushButton* help = buttons->addButton("Aide", QDialogButtonBox::HelpRole);
  help->setObjectName("ButtonAide");
  QPushButton* close = buttons->addButton("Fermer", QDialogButtonBox::RejectRole);
  close->setObjectName("ButtonFermer");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
  ConnectGuarded(predict_, &QPushButton::clicked, this, &IdentificationWindow::PredictClicked,
                 this);
  ConnectGuarded(help, &QPushButton::clicked, this, &IdentificationWindow::HelpClicked, this);
  ConnectGuarded(model_, &QComboBox::activated, this, &IdentificationWindow::ModelActivated, this);
  column->addWidget(buttons);
  resize(860, 700);
  ShowRun(nullptr, 0, 0, 0);
}

void IdentificationWindow::PredictClicked() {
  if (PredictRequested) PredictRequested();
}

void IdentificationWindow::HelpClicked() {
  if (HelpRequested) HelpRequested();
}

void IdentificationWindow::ModelActivated() {
  FillGains();
  if (ModelChanged) ModelChanged();
}

ProcessModelFit IdentificationWindow::ChosenModel() const {
  const int index = model_->currentIndex();
  if (id_.Type == ProcessType::Integrating || index < 0) return id_.Model(id_.DefaultModel());
  return id_.Model(kStableModels[index]);
}

void IdentificationWindow::ShowRun(const Trial* run, std::int32_t kpmax, std::int32_t kdmax,
                                   std::int32_t kimax) {
  source_ = run;
  copy_ = run ? std::make_unique<Trial>(*run) : nullptr;
  kpmax_ = kpmax;
  kdmax_ = kdmax;
  kimax_ = kimax;
  identified_ = false;
  readings_->clear();
  model_->clear();
  model_->setEnabled(false);
  predict_->setEnabled(false);
  if (!run) {
    title_->setText("Aucun essai");
    reason_->setText(
        "Pas d'identification : lancez en boucle ouverte un essai avec une consigne en "
        "échelon, ou ouvrez un essai enregistré (« Essais » → « Ouvrir un essai… »).");
    reason_->show();
    gains_->SetProposals({}, kpmax, kdmax, kimax);
    return;
  }
  title_->setText(RunTitle(*run));
  id_ = Identify(*copy_);
  if (!id_.Identified) {
    reason_->setText("Pas d'identification : " + ToQString(id_.Reason) + ".");
    reason_->show();
    gains_->SetProposals({}, kpmax, kdmax, kimax);
    return;
  }
  identified_ = true;
  reason_->hide();
  // Two columns: the step and the tangent's readings, then the other methods.
  QString html = "<table>", right = "<table>";
  const bool stable = id_.Type == ProcessType::Stable;
  html += Row("Procédé", stable ? "stable (la réponse se stabilise)"
                                : "intégrateur (la réponse finit en rampe)");
  html += Row("Instant de l'échelon t0", N(id_.StepTime), "s");
  html += Row("Échelon d'ordre Δu", N(id_.InputChange), "V");
  html += Row("Retour avant l'échelon y0", N(id_.InitialValue), "V");
  if (stable) {
    html += Row("Valeur finale yf (moyenne des 2 dernières secondes)", N(id_.FinalValue), "V");
    html += Row("Gain statique K = Δy / Δu", N(id_.K));
    html += Heading("Tangente au point d'inflexion");
    html += Row("Tu (de t0 au croisement de y0)", N(id_.TangentTu), "s");
    html += Row("Ta (entre les croisements de y0 et de yf)", N(id_.TangentTa), "s");
    html += Heading("Strejc (table de Tu/Ta)");
    html += Row("Ordre n (Tu/Ta = " + N(id_.TangentTu / id_.TangentTa) + ")",
                QString::number(id_.StrejcOrder));
    html += Row("Constante de temps T", N(id_.StrejcT), "s");
    html += Row(id_.StrejcDelayTakenAsZero()
                    ? "Retard (rapport lu " + N(id_.StrejcRatio) + " un peu sous la ligne " +
                          N(id_.StrejcRowRatio) + " de la table : pris nul)"
                    : QString("Retard (Tu − (Tu/Ta)n · Ta)"),
                N(id_.StrejcDelay), "s");
    right += Heading("Broïda");
    right += Row("t28, t40 (après t0)", N(id_.T28) + " ; " + N(id_.T40), "s");
    right += Row("T = 5,5 (t40 − t28)", N(id_.BroidaT), "s");
    right += Row("Retard = 2,8 t28 − 1,8 t40", N(id_.BroidaDelay), "s");
    right += Heading("Moindres carrés (premier ordre et retard)");
    right += Row("K", N(id_.LeastSquaresK));
    right += Row("T", N(id_.LeastSquaresT), "s");
    right += Row("Retard", N(id_.LeastSquaresDelay), "s");
    right += Row("Écart résiduel (moyenne quadratique)", N(id_.LeastSquaresResidual), "V");
    for (ModelKind kind : kStableModels) model_->addItem(ToQString(ModelName(kind)));
    model_->setCurrentIndex(0);
    model_->setEnabled(true);
  } else {
    html += Heading("Asymptote de la rampe");
    html += Row("Pente a", N(id_.Asymptote.Slope), "V/s");
    html += Row("Gain intégrateur k = a / Δu", N(id_.RampSlope), "1/s");
    html += Row("Retard (de t0 au croisement de y0)", N(id_.RampDelay), "s");
    html += Row("k · retard", N(id_.RampSlope * id_.RampDelay));
    model_->addItem(ToQString(ModelName(ModelKind::Ramp)));
  }
  readings_->setText("<table><tr><td valign='top'>" + html +
                      "</table></td><td width='24'></td><td valign='top'>" + right +
                      "</table></td></tr></table>");
  predict_->setEnabled(true);
  FillGains();
}

void IdentificationWindow::FillGains() {
  if (!identified_) return;
  std::string why;
  const std::vector<GainProposal> proposals = ModelGainProposals(ChosenModel(), why);
  gains_->SetProposals(proposals, kpmax_, kdmax_, kimax_, ToQString(why));
}

}  // namespace vantor
