// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/AnalysisMath.h"

#include "common/Numbers.h"

namespace vantor {

AnalysisLayout ComputeAnalysisLayout(int clientWidth, int clientHeight) {
  AnalysisLayout l;
  l.panelWidth = static_cast<int>(RoundHalfEven(static_cast<long double>(clientWidth) / 2));
  l.chartHeight = static_cast<int>(RoundHalfEven(static_cast<long double>(clientHeight) / 5));
  return l;
}

AnalysisRange WidenRange(AnalysisRange r) {
  r.maximum = r.maximum + 0.05L * (r.maximum - r.minimum);
  r.minimum = r.minimum - 0.05L * (r.maximum - r.minimum);
  return r;
}

AnalysisRange RecordRange(const Trial& run, const int* series, int seriesCount) {
  AnalysisRange r;
  for (int i = 0; i < seriesCount; ++i) {
    for (int k = 0; k < kPlotEntries; ++k) {
      const long double v = static_cast<long double>(run.At(series[i], k)) / 100;
      if (v > r.maximum) r.maximum = v;
      if (v < r.minimum) r.minimum = v;
    }
  }
  return WidenRange(r);
}

AnalysisRanges ComputeAnalysisRanges(const Trial& run) {
  static constexpr int kOrders[] = {kSeriesPTerm, kSeriesDTermRaw, kSeriesITerm, kSeriesOrder};
  static constexpr int kError[] = {kSeriesError};
  static constexpr int kSetpoint[] = {kSeriesSetpoint, kSeriesFeedback};
  AnalysisRanges r;
  r.order = RecordRange(run, kOrders, 4);
  r.error = RecordRange(run, kError, 1);
  r.setpoint = RecordRange(run, kSetpoint, 2);
  return r;
}

OrderRanges ComputeOrderRanges(const Trial& run, TimeWindow shown) {
  const std::array<long double, kPlotEntries> x = AnalysisTimes(run.SamplePeriodMs);
  auto own = [&](int series) {
    AnalysisRange r;
    for (int k = 0; k < kPlotEntries; ++k) {
      const double t = static_cast<double>(x[static_cast<std::size_t>(k)]);
      if (t < shown.start || t > shown.end) continue;
      const long double v = static_cast<long double>(run.At(series, k)) / 100;
      if (v > r.maximum) r.maximum = v;
      if (v < r.minimum) r.minimum = v;
    }
    return WidenRange(r);
  };
  return {own(kSeriesPTerm), own(kSeriesDTermRaw), own(kSeriesITerm), own(kSeriesOrder)};
}

std::array<long double, kPlotEntries> AnalysisTimes(std::int32_t samplePeriodMs) {
  std::array<long double, kPlotEntries> x{};
  const long double step = static_cast<long double>(samplePeriodMs) / 1000;
  long double t = 0;
  for (long double& v : x) {
    v = t;
    t = t + step;
  }
  return x;
}

double ZoomInEnd(double end) {
  return end / 2;
}

double ZoomOutEnd(double end) {
  return end * 2;
}

TimeWindow ShiftRight(TimeWindow w) {
  const double q = w.end / 4;
  return {w.start - q, w.end - q};
}

TimeWindow ShiftLeft(TimeWindow w) {
  const double q = w.end / 4;
  return {w.start + q, w.end + q};
}

AnalysisPage ComputeAnalysisPage(int W, int H) {
  AnalysisPage p;
  p.left = static_cast<int>(RoundHalfEven(static_cast<long double>(W) * 5 / 100));
  p.width = W - 2 * p.left;
  p.top = static_cast<int>(RoundHalfEven(static_cast<long double>(H) * 4 / 100));
  p.strip = (H - 2 * p.top) / kAnalysisStrips;
  p.captionX = p.left;
  p.captionY = static_cast<int>(RoundHalfEven(static_cast<long double>(p.top) / 2));
  return p;
}

}  // namespace vantor
