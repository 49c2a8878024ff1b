// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/StepMeasuresWindow.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Numbers.h"
#include "lesson/ReadingLabels.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

struct Row {
  const char* name;
  const char* unit;
};
constexpr Row kRowNames[StepMeasuresWindow::kRows] = {
    {"Instant de l'échelon t0", "s"},
    {"Retour avant l'échelon y0", "V"},
    {"Valeur finale yf (moyenne des 2 dernières secondes)", "V"},
    {"Temps de montée (de 10 % à 90 % de la variation)", "s"},
    {"Dépassement", "%"},
    {"Temps de pic (après t0)", "s"},
    {"Temps de réponse à 5 % (après t0)", "s"},
    {"Erreur statique (consigne − valeur finale)", "V"},
    {"Ordre saturé (part de l'essai après t0)", "%"},
    {"IAE, intégrale de |écart| (de t0 à la fin, ou à la charge)", "V·s"},
    {"IAE après la charge (rejet de la perturbation)", "V·s"},
};

QString Number(double v) {
  return ToQString(FormatFixed2(static_cast<long double>(v)));
}

}  // namespace

StepMeasuresWindow::StepMeasuresWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormMesures");
  setWindowTitle("Mesures de la réponse");
  setModal(false);
  auto* column = new QVBoxLayout(this);
  title_ = AddRunTitleLabel(this, column);
  reason_ = AddReasonLabel(this, column);
  auto* grid = new QGridLayout();
  grid->setHorizontalSpacing(12);
  for (int row = 0; row < kRows; ++row) {
    grid->addWidget(new QLabel(kRowNames[row].name, this), row, 0);
    auto* value = new QLabel(this);
    value->setObjectName(QString("LabelMesure%1").arg(row + 1));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance("non mesurable") + 8);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    values_[static_cast<std::size_t>(row)] = value;
    grid->addWidget(value, row, 1);
    grid->addWidget(new QLabel(kRowNames[row].unit, this), row, 2);
  }
  column->addLayout(grid);
  sensorLimit_ = AddReasonLabel(this, column);
  sensorLimit_->setObjectName("LabelLimiteCapteur");
  auto* note = new QLabel(
      "Définitions : bouton « ?souris » de la fenêtre principale, paragraphe « Mesures "
      "automatiques de la réponse à un échelon »",
      this);
  note->setWordWrap(true);
  column->addWidget(note);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText("Fermer");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
  column->addWidget(buttons);
  ShowMeasures(nullptr);
}

void StepMeasuresWindow::ShowMeasures(const Trial* run) {
  for (QLabel* v : values_) v->setText("—");
  sensorLimit_->hide();
  if (!run) {
    title_->setText("Aucun essai");
    reason_->setText(
        "Pas de mesure : lancez un essai avec une consigne en échelon, ou ouvrez un essai "
        "enregistré (« Essais » → « Ouvrir un essai… »).");
    reason_->show();
    return;
  }
  QString title = QString("Essai %1 : ").arg(run->Number) + ToQString(run->SetpointCaption) +
                  ", Kp " + ShortText(run->Kp) + ", Kd " + ShortText(run->Kd) + ", Ki " +
                  ShortText(run->Ki);
  if (!run->SourceFile.empty()) title += " (" + ToQString(run->SourceFile) + ")";
  title_->setText(title);
  QString limit = ToQString(SensorLimitSentence(MeasureSensorLimits(*run)));
  if (!limit.isEmpty()) {
    sensorLimit_->setText(limit.left(1).toUpper() + limit.mid(1) + ".");
    sensorLimit_->show();
  }
  const StepMeasures m = MeasureStep(*run);
  if (!m.Measured) {
    reason_->setText("Pas de mesure : " + ToQString(m.Reason) + ".");
    reason_->show();
    return;
  }
  reason_->hide();
  Value(0)->setText(Number(m.StepTime));
  Value(1)->setText(Number(m.InitialValue));
  Value(2)->setText(Number(m.FinalValue));
  Value(3)->setText(m.RiseTime ? Number(*m.RiseTime) : "non atteint");
  Value(4)->setText(m.Settled ? Number(m.Overshoot) : "non établi");
  Value(5)->setText(Number(m.PeakTime));
  Value(6)->setText(m.Settled ? Number(m.SettlingTime) : "non établi");
  Value(7)->setText(m.Settled ? Number(m.StaticError) : "non établi");
  Value(8)->setText(m.Saturation ? Number(*m.Saturation) : "inconnu");
  Value(9)->setText(Number(m.Iae));
  Value(10)->setText(m.LoadTime ? Number(m.IaeLoad) : "pas de charge");
  // What held the response, said before the measures it leaves out.
  if (!m.HeldBy.empty()) {
    reason_->setText(ToQString(m.HeldBy).left(1).toUpper() + ToQString(m.HeldBy).mid(1) + ".");
    reason_->show();
    for (int row : {4, 6, 7}) Value(row)->setText("non mesurable");
  }
}

}  // namespace vantor
