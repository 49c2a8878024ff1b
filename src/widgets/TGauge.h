// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The gauge component: a pie (sector from 12 o'clock growing clockwise) or a vertical
// bar (filled from the bottom). Drawn into an off-screen pixmap, then copied, so it
// does not flicker; the pixmap is redrawn only when the whole percentage changes.
// The hint text is QWidget::toolTip.
#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace vantor {

enum class TGaugeKind { gkPie, gkVerticalBar };

// Whole percentage of `progress` between `minValue` and `maxValue`, truncated; 0 when the
// range is empty or reversed.
int GaugePercent(int progress, int minValue, int maxValue);

class TGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TGauge(QWidget* parent = nullptr);

  TGaugeKind Kind = TGaugeKind::gkPie;
  int MinValue = 0;
  int MaxValue = 100;
  QColor ForeColor = Qt::black;
  QColor BackColor = Qt::white;
  bool ShowText = true;

  // Clamped to MinValue..MaxValue; repaints only when the whole percentage changes.
  void SetProgress(int value);
  int Progress() const { return progress_; }
  int PercentDone() const { return GaugePercent(progress_, MinValue, MaxValue); }
  // Redraws asked for by SetProgress and Refresh (a change of the whole percentage).
  int RepaintCount() const { return repaints_; }
  // Redraws after a change of Kind, colours or range.
  void Refresh();
  // Draws the gauge on a painter, into a rectangle of the given size at the origin.
  void Draw(QPainter& painter, QSize size) const;

  QSize sizeHint() const override { return QSize(121, 121); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int progress_ = 0;
  int repaints_ = 0;
  bool dirty_ = true;
  QPixmap buffer_;
};

}  // namespace vantor
