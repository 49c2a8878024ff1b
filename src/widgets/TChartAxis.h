// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One axis of a TChart: its range, labels, ticks and title, and the conversion between
// axis values and the chart's client pixels. Owned by its chart.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <vector>

#include "widgets/ChartScale.h"

namespace vantor {

class TChart;

// Positions and texts of an axis' major ticks for one layout.
struct AxisTicks {
  double step = 0;              // value between two major ticks (0: a single tick)
  std::vector<double> values;   // major tick values, ascending, inside the range
  std::vector<QString> labels;  // one text per value
};

// Chooses the major ticks of the range [minimum, maximum] drawn over `lengthPx` pixels.
// `labelSizePx` is the size of one label along the axis (its width on a horizontal axis,
// its height on a vertical one); labels are kept apart by at least `separationPercent`
// of that size. The step is 1, 2 or 5 times a power of ten. A collapsed range (minimum ==
// maximum) gives a single tick; the number of ticks never exceeds `kMaxAxisTicks`.
// Non-finite or reversed ranges give no tick.
inline constexpr int kMaxAxisTicks = 1000;
AxisTicks ComputeAxisTicks(double minimum, double maximum, double lengthPx, double labelSizePx,
                           int separationPercent);

// Text of an axis label: "." as separator, trailing zeros removed, as many decimals as
// the step needs (at most 10), never "-0".
QString FormatAxisLabel(double value, double step);

class TChartAxis {
 public:
  TChartAxis(TChart* chart, bool horizontal);
  TChartAxis(const TChartAxis&) = delete;
  TChartAxis& operator=(const TChartAxis&) = delete;

  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  // Throws VantorError("La valeur minimum de l'axe doit être <= Maximum") if v > Maximum.
  void SetMinimum(double v);
  // Throws VantorError("La valeur maximum de l'axe doit être >= Minimum") if v < Minimum.
  void SetMaximum(double v);
  // Sets both ends at once, whatever the current range (callers pass min <= max).
  void SetMinMax(double min, double max);

  bool Horizontal() const { return horizontal_; }
  TChart* ParentChart() const { return chart_; }

  // Kept for the windows' set-up; the range only changes through the calls above and
  // the mouse, whatever its value.
  bool Automatic = false;
  bool Labels = true;
  int LabelsSeparation = 10;  // percent of a label's size kept free between two labels
  QFont LabelsFont;           // point sizes are taken at the screen's resolution
  int MinorTickCount = 3;     // minor ticks between two major ticks
  int TickLength = 4;         // pixels of the chart's layout surface, outwards
  int MinorTickLength = 2;
  bool TicksDotted = false;
  bool Grid = true;  // dotted grid line across the plot at each major tick
  QColor GridColor = QColor(192, 192, 192);
  QString Title;
  QFont TitleFont;
  QColor TitleColor = Qt::black;

  // Value <-> pixel in the owning chart's client coordinates (its on-screen layout):
  // Minimum maps to the left (bottom) edge of the plotting rectangle, Maximum to its
  // right (top) edge. A collapsed range maps to the middle and back to Minimum.
  double CalcPosPoint(int pixel) const;
  int CalcPosValue(double value) const;
  // The same mapping over any plotting rectangle (a layout's, on screen or in print).
  ChartScale Scale(const QRect& plot) const;

 private:
  TChart* chart_;
  bool horizontal_;
  double minimum_ = 0;
  double maximum_ = 100;
};

}  // namespace vantor
