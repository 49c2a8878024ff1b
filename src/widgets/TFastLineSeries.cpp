// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TFastLineSeries.h"

#include "widgets/TChart.h"

namespace vantor {

TFastLineSeries::TFastLineSeries(TChart* chart, const QString& name, const QString& title,
                                 const QColor& color, bool showInLegend)
    : Name(name), Title(title), SeriesColor(color), ShowInLegend(showInLegend), chart_(chart) {}

void TFastLineSeries::Clear() {
  xs_.clear();
  ys_.clear();
  ascending_ = true;
  chart_->SeriesChanged();
}

void TFastLineSeries::AddXY(double x, double y) {
  if (!xs_.empty() && !(x >= xs_.back())) ascending_ = false;
  xs_.push_back(x);
  ys_.push_back(y);
  chart_->SeriesChanged();
}

void TFastLineSeries::Reserve(std::size_t n) {
  xs_.reserve(n);
  ys_.reserve(n);
}

}  // namespace vantor
