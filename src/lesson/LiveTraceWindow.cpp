// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/LiveTraceWindow.h"

#include <QVBoxLayout>
#include <algorithm>

#include "common/Numbers.h"
#include "widgets/QtText.h"

namespace vantor {

LiveTraceWindow::LiveTraceWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormTraceDirect");
  setWindowTitle("Tracé en direct");
  // A window of its own, minimised and restored alone (its owner keeps it above the main
  // window).
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setModal(false);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 6);
  tools_ = new QHBoxLayout();
  time_ = new QLabel(this);
  time_->setObjectName("LabelTemps");
  // Warnings in bold colour, that appear and disappear without moving the rest of the row.
  auto warning = [this](const QString& text, const char* name, const QColor& color) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    QSizePolicy keep = label->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    label->setSizePolicy(keep);
    label->hide();
    return label;
  };
  saturation_ = warning("ordre saturé", "LabelSaturation", Qt::red);
  sensorLimit_ = warning("retour à une limite du capteur (fond orangé)", "LabelLimiteCapteur",
                         QColor(190, 90, 0));
  // Wide enough for "Temps depuis « Début » : 9999.95 s", and of a fixed size: its text
  // changes every cycle without laying the window out again.
  time_->setFixedSize(
      time_->fontMetrics().horizontalAdvance("Temps depuis « Début » : 9999.95 s") + 8,
      time_->sizeHint().height());
  tools_->addWidget(time_);
  tools_->addStretch(1);
  column->addLayout(tools_);
  // The warnings on a row of their own: the window stays as narrow as the trace's column.
  auto* warnings = new QHBoxLayout();
  warnings->addWidget(saturation_);
  warnings->addSpacing(16);
  warnings->addWidget(sensorLimit_);
  warnings->addStretch(1);
  column->addLayout(warnings);
  view_ = new LiveTraceView(this);
  column->addWidget(view_, 1);
  ShowTime(0);
  resize(760, 460);
}

void LiveTraceWindow::AddControl(QWidget* control) {
  control->setParent(this);
  tools_->addWidget(control);
  control->show();
}

void LiveTraceWindow::BeginRun() {
  view_->Clear();
  saturation_->hide();
  sensorLimit_->hide();
  watch_ = {};
  ShowTime(0);
}

void LiveTraceWindow::AddCycle(std::int32_t cycle, std::int32_t setpoint, std::int32_t feedback,
                               std::int32_t order, bool saturated, SensorLimit limit) {
  view_->Push({cycle, setpoint, feedback, order});
  const int marked = watch_.Push(limit, order);
  if (marked > 0) view_->MarkLast(marked);
  if (saturated != saturation_->isVisibleTo(this)) saturation_->setVisible(saturated);
  if (watch_.Active() != sensorLimit_->isVisibleTo(this)) sensorLimit_->setVisible(watch_.Active());
  ShowTime(cycle);
  // Drawn now, within the cycle, before the loop waits for the end of the period: the
  // wait absorbs the drawing, where a drawing left to the message turn that follows the
  // wait would lengthen the period.
  view_->repaint(view_->ScrollingRect());
  time_->repaint();
}

void LiveTraceWindow::EndRun() {
  saturation_->hide();
  sensorLimit_->hide();
}

void LiveTraceWindow::ShowRun(const Trial* run) {
  view_->Clear();
  saturation_->hide();
  sensorLimit_->hide();
  if (!run) {
    ShowTime(0);
    return;
  }
  periodMs_ = run->SamplePeriodMs;
  view_->SetPeriodMs(periodMs_);
  const int last = std::clamp(run->LastEntry, 0, kRecordLastEntry);
  const int first = std::max(0, last - LiveTraceView::kWindowSeconds * 1000 / periodMs_);
  // The stretches at a sensor limit are followed from the record's start: one that began
  // before the 20 s shown is tinted over the part shown.
  SensorLimitWatch watch;
  for (int k = 1; k < first; ++k)
    watch.Push(run->FeedbackLimits[static_cast<std::size_t>(k)], run->At(kSeriesOrder, k));
  for (int k = first; k <= last; ++k) {
    const int order = run->At(kSeriesOrder, k);
    view_->Push({k, run->At(kSeriesSetpoint, k), run->At(kSeriesFeedback, k), order});
    // Marks no more than the samples shown (entry 0 is never at a limit).
    const int marked = watch.Push(run->FeedbackLimits[static_cast<std::size_t>(k)], order);
    if (marked > 0) view_->MarkLast(marked);
  }
  ShowTime(last);
}

void LiveTraceWindow::ShowTime(std::int32_t cycle) {
  const long ms = static_cast<long>(cycle) * periodMs_;
  time_->setText(QString("Temps depuis « Début » : %1.%2 s")
                     .arg(ms / 1000)
                     .arg((ms % 1000) / 10, 2, 10, QChar('0')));
}

}  // namespace vantor
