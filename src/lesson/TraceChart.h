// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The trace chart as the main window shows and prints it: its axes, titles and series,
// the record drawn on it, and the printed page (caption lines, then the chart). The main
// window's chart and the lab report's charts are made, filled and printed here alike.
#include <QPainter>
#include <QPaintDevice>
#include <string>
#include <vector>

#include "regulation/Regulation.h"
#include "widgets/TChart.h"
#include "widgets/TFastLineSeries.h"

namespace vantor {

struct TraceSeries {
  TFastLineSeries* Setpoint = nullptr;  // Series1
  TFastLineSeries* Feedback = nullptr;  // Series2
  TFastLineSeries* Mean = nullptr;      // Series3
  TFastLineSeries* ZeroX = nullptr;     // Series15
  TFastLineSeries* ZeroY = nullptr;     // Series17
};

// Gives `chart` the trace chart's look, axes and series.
TraceSeries SetUpTraceChart(TChart& chart);

// Draws the record of `plot` on the series.
void FillTraceSeries(const RecordPlot& plot, const TraceSeries& series);

// The trace page on a page of W x H device pixels: the caption lines at the top, in Arial
// 10, then the chart at its printing resolution (vectors on any device).
void DrawTracePage(QPainter& painter, QPaintDevice& device, TChart& chart, int W, int H,
                   const std::vector<std::string>& captions);

}  // namespace vantor
