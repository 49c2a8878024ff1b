// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's grid and axes: one routine draws either axis, outside the plot (under it
// for the bottom axis, left of it for the left axis).
#include <QFontMetricsF>

#include "widgets/ChartDrawing.h"
#include "widgets/TChart.h"

namespace vantor {

namespace {

QPen TickPen(const TChartAxis& axis) {
  return QPen(QBrush(Qt::black), 1, axis.TicksDotted ? Qt::DotLine : Qt::SolidLine);
}

// Minor tick values between (and around) the major ones, kept inside the range and
// skipped when closer than two pixels.
template <class Draw>
void ForEachMinor(const TChartAxis& axis, const AxisTicks& ticks, double pixelsPerUnit,
                  const Draw& draw) {
  const int count = std::min(axis.MinorTickCount, 100);
  if (count <= 0 || ticks.step <= 0 || ticks.values.empty()) return;
  const double minor = ticks.step / (count + 1);
  if (std::fabs(minor * pixelsPerUnit) < 2) return;
  const double start = ticks.values.front() - ticks.step;
  const std::size_t intervals = ticks.values.size() + 1;
  for (std::size_t i = 0; i < intervals; ++i)
    for (int k = 1; k <= count; ++k) {
      const double v = start + i * ticks.step + k * minor;
      if (v >= axis.Minimum() && v <= axis.Maximum()) draw(v);
    }
}

}  // namespace

void TChart::DrawAxes(QPainter& painter, const ChartLayout& layout, PixelWriter* px,
                      QSize surface) {
  const QRect& plot = layout.plot;
  if (px) px->SetClip(QRect(QPoint(0, 0), surface));
  ChartLines lines(painter, px);

  // Grid lines, dotted, inside the plot.
  for (const TChartAxis* axis : {&bottomAxis_, &leftAxis_}) {
    if (!axis->Grid) continue;
    lines.Use(QPen(QBrush(axis->GridColor), 1, Qt::DotLine));
    const bool horizontal = axis->Horizontal();
    const ChartScale scale = axis->Scale(plot);
    for (double v : horizontal ? layout.bottom.values : layout.left.values) {
      const double at = std::round(DrawnPixel(scale, v));
      if (horizontal)
        lines.Line(at, plot.top(), at, plot.bottom());
      else
        lines.Line(plot.left(), at, plot.right(), at);
    }
  }
  DrawAxis(painter, bottomAxis_, layout.bottom, plot, lines);
  DrawAxis(painter, leftAxis_, layout.left, plot, lines);
}

void TChart::DrawAxis(QPainter& painter, const TChartAxis& axis, const AxisTicks& ticks,
                      const QRect& plot, ChartLines& lines) {
  const bool horizontal = axis.Horizontal();
  const ChartScale scale = axis.Scale(plot);
  // Across the axis: the first pixel outside the plot, and the way away from the plot.
  const int base = horizontal ? plot.bottom() + 1 : plot.left() - 1;
  const int outwards = horizontal ? 1 : -1;
  // A tick of `length` pixels at `value`, drawn from its lower to its higher coordinate.
  auto tick = [&](double value, int length) {
    const double at = std::round(DrawnPixel(scale, value));
    const double end = base + outwards * (length - 1);
    const double from = std::min<double>(base, end), to = std::max<double>(base, end);
    if (horizontal)
      lines.Line(at, from, at, to);
    else
      lines.Line(from, at, to, at);
  };
  lines.Use(TickPen(axis));
  if (axis.TickLength > 0)
    for (double v : ticks.values) tick(v, axis.TickLength);
  if (axis.MinorTickLength > 0)
    ForEachMinor(axis, ticks, scale.PixelsPerUnit(),
                 [&](double v) { tick(v, axis.MinorTickLength); });

  auto useFont = [&](const QFont& font, const QColor& colour) {
    const QFont f = EffectiveFont(font);
    painter.setFont(f);
    painter.setPen(colour);
    return QFontMetricsF(f);
  };
  // Labels then title, each further from the plot.
  int edge = base + outwards * std::max(axis.TickLength, 0);
  if (axis.Labels) {
    const QFontMetricsF fm = useFont(axis.LabelsFont, Qt::black);
    double widest = 0;
    for (std::size_t i = 0; i < ticks.values.size(); ++i) {
      const QString& text = ticks.labels[i];
      const double tw = fm.horizontalAdvance(text);
      widest = std::max(widest, tw);
      const double at = DrawnPixel(scale, ticks.values[i]);
      if (horizontal) {
        painter.drawText(QPointF(std::round(at - tw / 2), edge + fm.ascent()), text);
      } else {
        const double baseline = at - fm.height() / 2 + fm.ascent();
        painter.drawText(QPointF(edge - kChartGap - tw, std::round(baseline)), text);
      }
    }
    const double depth = horizontal ? fm.height() : widest;
    edge += outwards * (static_cast<int>(std::ceil(depth)) + kChartGap);
  }
  if (!axis.Title.isEmpty()) {
    const QFontMetricsF fm = useFont(axis.TitleFont, axis.TitleColor);
    const double tw = fm.horizontalAdvance(axis.Title);
    if (horizontal) {
      painter.drawText(QPointF(plot.left() + (plot.width() - tw) / 2, edge + fm.ascent()),
                       axis.Title);
    } else {
      painter.save();
      // Read from bottom to top, centred on the plot's height, just left of the labels.
      painter.translate(edge - kChartGap - fm.descent(), plot.top() + (plot.height() + tw) / 2);
      painter.rotate(-90);
      painter.drawText(QPointF(0, 0), axis.Title);
      painter.restore();
    }
  }
}

}  // namespace vantor
