// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TGauge.h"

#include <QPaintEvent>
#include <QPainter>

namespace vantor {

int GaugePercent(int progress, int minValue, int maxValue) {
  if (maxValue <= minValue) return 0;
  const long long span = static_cast<long long>(maxValue) - minValue;
  const long long done = static_cast<long long>(progress) - minValue;
  if (done <= 0) return 0;
  if (done >= span) return 100;
  return static_cast<int>(done * 100 / span);
}

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
  // Everything is drawn from the off-screen picture: no background erase, no flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGauge::SetProgress(int value) {
  int clamped = value;
  if (MaxValue >= MinValue) {
    if (clamped < MinValue) clamped = MinValue;
    if (clamped > MaxValue) clamped = MaxValue;
  } else {
    clamped = MinValue;
  }
  const int before = PercentDone();
  progress_ = clamped;
  if (PercentDone() != before) Refresh();
}

void TGauge::Refresh() {
  ++repaints_;
  dirty_ = true;
  update();
}

void TGauge::Draw(QPainter& painter, QSize size) const {
  const int w = size.width();
  const int h = size.height();
  if (w <= 0 || h <= 0) return;
  const int percent = PercentDone();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (Kind == TGaugeKind::gkVerticalBar) {
    painter.fillRect(QRect(0, 0, w, h), BackColor);
    const int filled = static_cast<int>(static_cast<long long>(h) * percent / 100);
    if (filled > 0) painter.fillRect(QRect(0, h - filled, w, filled), ForeColor);
  } else {
    // Control colour around a disk of BackColor outlined in ForeColor; the ForeColor
    // sector starts at 12 o'clock and grows clockwise (negative span in Qt's angles).
    painter.fillRect(QRect(0, 0, w, h), palette().color(QPalette::Window));
    const QRect disk(0, 0, w - 1, h - 1);
    painter.setPen(QPen(ForeColor, 1));
    painter.setBrush(BackColor);
    painter.drawEllipse(disk);
    if (percent > 0) {
      painter.setBrush(ForeColor);
      if (percent >= 100)
        painter.drawEllipse(disk);
      else
        painter.drawPie(disk, 90 * 16, -percent * 360 * 16 / 100);
    }
  }
  if (ShowText) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, 0, w, h), Qt::AlignCenter, QString::number(percent) + '%');
  }
  painter.restore();
}

void TGauge::paintEvent(QPaintEvent* event) {
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = (QSizeF(size()) * ratio).toSize();
  if (dirty_ || buffer_.size() != pixels) {
    buffer_ = QPixmap(pixels);
    buffer_.setDevicePixelRatio(ratio);
    QPainter off(&buffer_);
    Draw(off, size());
    dirty_ = false;
  }
  QPainter painter(this);
  painter.drawPixmap(
      event->rect(), buffer_,
      QRectF(QPointF(event->rect().topLeft()) * ratio, QSizeF(event->rect().size()) * ratio));
}

}  // namespace vantor
