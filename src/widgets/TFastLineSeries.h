// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A line series of a TChart: (x, y) points kept in two contiguous arrays and drawn as
// one polyline in the series colour. Owned by its chart.
#include <QColor>
#include <QString>
#include <cstddef>
#include <vector>

namespace vantor {

class TChart;

class TFastLineSeries {
 public:
  TFastLineSeries(TChart* chart, const QString& name, const QString& title, const QColor& color,
                  bool showInLegend);
  TFastLineSeries(const TFastLineSeries&) = delete;
  TFastLineSeries& operator=(const TFastLineSeries&) = delete;

  QString Name;   // component name (Series1, FastLineSeries3, ...)
  QString Title;  // text shown in the legend
  QColor SeriesColor;
  bool ShowInLegend = true;
  // Drawn dashed and twice as thick on screen and on paper (a model, a prediction); a
  // dashed series should hold fewer points than the plot has pixel columns.
  bool Dashed = false;

  // Removes every point (the storage is kept for the next fill) and redraws the chart.
  void Clear();
  // Appends a point and schedules a redraw of the chart.
  void AddXY(double x, double y);
  // Reserves room for n points, so a fill of known length never reallocates.
  void Reserve(std::size_t n);

  int Count() const { return static_cast<int>(xs_.size()); }
  double XValue(int i) const { return xs_.at(static_cast<std::size_t>(i)); }
  double YValue(int i) const { return ys_.at(static_cast<std::size_t>(i)); }
  const std::vector<double>& XValues() const { return xs_; }
  const std::vector<double>& YValues() const { return ys_; }
  // True while the x values never decrease (what the fast drawing path relies on).
  bool XAscending() const { return ascending_; }
  TChart* ParentChart() const { return chart_; }

 private:
  TChart* chart_;
  std::vector<double> xs_;
  std::vector<double> ys_;
  bool ascending_ = true;
};

}  // namespace vantor
