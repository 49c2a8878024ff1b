// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The arithmetic behind the analysis window: the vertical ranges of its charts, the
// horizontal (time) window moved by its menu, and the page of its printout. Plain
// functions, so they are checked without a screen.
#include <array>

#include "regulation/Trial.h"

namespace vantor {

// Panel width and chart height of the analysis window for a client area of the given
// size: half the width and a fifth of the height, each to the nearest integer (halves
// to even).
struct AnalysisLayout {
  int panelWidth = 0;
  int chartHeight = 0;
};
AnalysisLayout ComputeAnalysisLayout(int clientWidth, int clientHeight);

// One vertical range, in volts, extended precision. Both bounds start at 0, so a range
// always contains 0 and minimum <= maximum.
struct AnalysisRange {
  long double maximum = 0;
  long double minimum = 0;
};

// The three ranges of the analysis window, in the order the window keeps them.
struct AnalysisRanges {
  AnalysisRange order;     // proportional, derivative, integral and total orders
  AnalysisRange error;     // error
  AnalysisRange setpoint;  // setpoint and feedback
};

// Widens a range: 5 % of its span above, then 5 % of the widened span below.
AnalysisRange WidenRange(AnalysisRange r);

// Largest and smallest of entries 0..1900 of the given record series (volts, starting
// from 0 and 0), widened.
AnalysisRange RecordRange(const Trial& run, const int* series, int seriesCount);

// The three ranges from the run record, one pass per record series.
AnalysisRanges ComputeAnalysisRanges(const Trial& run);

// x value of each of the 1901 points: 0, then SamplePeriodMs / 1000 added after each
// point, accumulated in extended precision.
std::array<long double, kPlotEntries> AnalysisTimes(std::int32_t samplePeriodMs);

// The time window shown by the ten bottom axes, in seconds.
struct TimeWindow {
  double start = 0;
  double end = 0;
  bool operator==(const TimeWindow&) const = default;
};

inline constexpr TimeWindow kInitialTimeWindow{0, 20};

// "Échelle par courbe": each order chart on the range of its own term over the entries in
// view (their time, as AnalysisTimes gives it, within the window, ends included), from 0
// and 0 and widened as the shared ranges are. A small term is no longer flattened by the
// largest one, and once the window has moved past a step, the derivative's noise is no
// longer flattened by its kick.
struct OrderRanges {
  AnalysisRange proportional, derivative, integral, total;
};
OrderRanges ComputeOrderRanges(const Trial& run, TimeWindow shown);

// "Zoom H +" halves the end value (not the span); "Zoom H -" doubles it. The start
// stays.
double ZoomInEnd(double end);
double ZoomOutEnd(double end);
// "Deplacement droite": earlier times come into view, by a quarter of the end value.
TimeWindow ShiftRight(TimeWindow w);
// "Deplacement gauche": later times come into view, by a quarter of the end value.
TimeWindow ShiftLeft(TimeWindow w);

// The analysis printout on a printable area of W x H printer pixels: the caption line
// at (captionX, captionY), then seven strips of equal height t one below the other,
// from x = left to left + width, the first starting at top.
struct AnalysisPage {
  int left = 0;   // a = W x 5 / 100, nearest, halves to even
  int width = 0;  // w = W - 2a
  int top = 0;    // b = H x 4 / 100, nearest, halves to even
  int strip = 0;  // t = (H - 2b) / 7, remainder dropped
  int captionX = 0, captionY = 0;
  // Vertical span of strip k (0..6): [StripTop(k), StripBottom(k)), bottom excluded.
  int StripTop(int k) const { return top + k * strip; }
  int StripBottom(int k) const { return top + (k + 1) * strip; }
};
inline constexpr int kAnalysisStrips = 7;
AnalysisPage ComputeAnalysisPage(int W, int H);

}  // namespace vantor
