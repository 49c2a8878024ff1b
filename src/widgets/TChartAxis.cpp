// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TChartAxis.h"

#include <algorithm>
#include <cmath>

#include "common/VantorError.h"
#include "widgets/TChart.h"

namespace vantor {

namespace {

// Smallest of 1, 2, 5 times a power of ten that is >= raw.
double NiceStep(double raw) {
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / power;
  const double tolerance = 1e-9;
  if (m <= 1 + tolerance) return power;
  if (m <= 2 + tolerance) return 2 * power;
  if (m <= 5 + tolerance) return 5 * power;
  return 10 * power;
}

}  // namespace

QString FormatAxisLabel(double value, double step) {
  if (value == 0) return QStringLiteral("0");
  if (step <= 0 || !std::isfinite(step) || std::fabs(value) >= 1e15) {
    QString text = QString::number(value, 'g', 6);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
  }
  const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 10);
  QString text = QString::number(value, 'f', decimals);
  if (text.contains(QLatin1Char('.'))) {
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  }
  if (text == QLatin1String("-0")) text = QStringLiteral("0");
  return text;
}

AxisTicks ComputeAxisTicks(double minimum, double maximum, double lengthPx, double labelSizePx,
                           int separationPercent) {
  AxisTicks ticks;
  if (!std::isfinite(minimum) || !std::isfinite(maximum) || maximum < minimum) return ticks;
  const double span = maximum - minimum;
  if (span == 0 || !std::isfinite(span)) {
    ticks.values.push_back(minimum);
    ticks.labels.push_back(FormatAxisLabel(minimum, 0));
    return ticks;
  }
  const double length = std::max(lengthPx, 1.0);
  const double spacing =
      std::max(1.0, std::max(labelSizePx, 1.0) * (1.0 + std::max(separationPercent, 0) / 100.0));
  const double intervals = std::max(1.0, std::floor(length / spacing));
  double step = NiceStep(span / intervals);
  // Never more than kMaxAxisTicks ticks, whatever the sizes given.
  while (span / step + 1 > kMaxAxisTicks) step = NiceStep(step * 1.5);
  const double largest = std::max(std::fabs(minimum), std::fabs(maximum));
  if (largest / step > 1e15) {
    // The step is below the precision of the values: the two ends only.
    ticks.step = span;
    ticks.values = {minimum, maximum};
    ticks.labels = {FormatAxisLabel(minimum, 0), FormatAxisLabel(maximum, 0)};
    return ticks;
  }
  ticks.step = step;
  const double first = std::ceil(minimum / step - 1e-9);
  const double last = std::floor(maximum / step + 1e-9);
  ticks.values.reserve(static_cast<std::size_t>(std::max(0.0, last - first + 1)));
  for (double i = first; i <= last && ticks.values.size() < kMaxAxisTicks; i += 1) {
    double v = i * step;
    if (std::fabs(v) < step * 1e-9) v = 0;
    ticks.values.push_back(v);
    ticks.labels.push_back(FormatAxisLabel(v, step));
  }
  return ticks;
}

TChartAxis::TChartAxis(TChart* chart, bool horizontal) : chart_(chart), horizontal_(horizontal) {}

void TChartAxis::SetMinimum(double v) {
  if (v > maximum_) throw VantorError("La valeur minimum de l'axe doit être <= Maximum");
  minimum_ = v;
  chart_->update();
}

void TChartAxis::SetMaximum(double v) {
  if (v < minimum_) throw VantorError("La valeur maximum de l'axe doit être >= Minimum");
  maximum_ = v;
  chart_->update();
}

void TChartAxis::SetMinMax(double min, double max) {
  minimum_ = min;
  maximum_ = max;
  chart_->update();
}

ChartScale TChartAxis::Scale(const QRect& plot) const {
  // Horizontal: Minimum at the left edge. Vertical: Minimum at the bottom edge.
  if (horizontal_) return ChartScale(minimum_, maximum_, plot.left(), plot.right(), false);
  return ChartScale(minimum_, maximum_, plot.top(), plot.bottom(), true);
}

double TChartAxis::CalcPosPoint(int pixel) const {
  return Scale(chart_->ChartRect()).ToValue(pixel);
}

int TChartAxis::CalcPosValue(double value) const {
  return Scale(chart_->ChartRect()).ToWholePixel(value);
}

}  // namespace vantor
