// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/LiveTraceWindow.h"

#include <QVBoxLayout>
#include <algorithm>

#include "common/Numbers.h"
#include "widgets/QtText.h"

namespace vantor {

LiveTraceWindow::LiveTraceWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormTraceDirect");
  setWindowTitle("Tracé en direct");
  // A dialog of the main window: it stays above it while the student clicks "Début".
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 6);
  tools_ = new QHBoxLayout();
  time_ = new QLabel(this);
  time_->setObjectName("LabelTemps");
  saturation_ = new QLabel("ordre saturé", this);
  saturation_->setObjectName("LabelSaturation");
  QPalette red = saturation_->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  saturation_->setPalette(red);
  QFont bold = saturation_->font();
  bold.setBold(true);
  saturation_->setFont(bold);
  // The label appears and disappears without moving the rest of the row.
  QSizePolicy keep = saturation_->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  saturation_->setSizePolicy(keep);
  saturation_->hide();
  // Wide enough for "Temps depuis « Début » : 9999.95 s", and of a fixed size: its text
  // changes every cycle without laying the window out again.
  time_->setFixedSize(
      time_->fontMetrics().horizontalAdvance("Temps depuis « Début » : 9999.95 s") + 8,
      time_->sizeHint().height());
  tools_->addWidget(time_);
  tools_->addSpacing(16);
  tools_->addWidget(saturation_);
  tools_->addStretch(1);
  column->addLayout(tools_);
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
  ShowTime(0);
}

void LiveTraceWindow::AddCycle(std::int32_t cycle, std::int32_t setpoint, std::int32_t feedback,
                               std::int32_t order, bool saturated) {
  view_->Push({cycle, setpoint, feedback, order});
  if (saturated != saturation_->isVisibleTo(this)) saturation_->setVisible(saturated);
  ShowTime(cycle);
  // Drawn now, within the cycle, before the loop waits for the end of the period: the
  // wait absorbs the drawing, where a drawing left to the message turn that follows the
  // wait would lengthen the period.
  view_->repaint(view_->ScrollingRect());
  time_->repaint();
}

void LiveTraceWindow::EndRun() { saturation_->hide(); }

void LiveTraceWindow::ShowRun(const Trial* run) {
  view_->Clear();
  saturation_->hide();
  if (!run) {
    ShowTime(0);
    return;
  }
  periodMs_ = run->SamplePeriodMs;
  view_->SetPeriodMs(periodMs_);
  const int last = std::clamp(run->LastEntry, 0, kRecordLastEntry);
  const int first = std::max(0, last - LiveTraceView::kWindowSeconds * 1000 / periodMs_);
  for (int k = first; k <= last; ++k)
    view_->Push(
        {k, run->At(kSeriesSetpoint, k), run->At(kSeriesFeedback, k), run->At(kSeriesOrder, k)});
  ShowTime(last);
}

void LiveTraceWindow::ShowTime(std::int32_t cycle) {
  const long ms = static_cast<long>(cycle) * periodMs_;
  time_->setText(QString("Temps depuis « Début » : %1.%2 s")
                     .arg(ms / 1000)
                     .arg((ms % 1000) / 10, 2, 10, QChar('0')));
}

}  // namespace vantor
