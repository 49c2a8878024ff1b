// SPDX-License-Identifier: GPL-3.0-or-later
// Vertical ranges, time window arithmetic and printout page of the analysis window.
#include <gtest/gtest.h>

#include <memory>

#include "regulation/AnalysisMath.h"

namespace vantor {
namespace {

// The record is large: keep the run on the heap.
std::unique_ptr<Trial> EmptyState() {
  auto s = std::make_unique<Trial>();
  s->SamplePeriodMs = 50;
  return s;
}

void Put(Trial& s, int series, int k, std::int32_t hundredths) {
  s.Record[static_cast<std::size_t>(series * kRecordEntries + k)] = hundredths;
}

TEST(AnalysisRangesTest, AnEmptyRecordGivesThreeCollapsedRangesAtZero) {
  const auto s = EmptyState();
  const AnalysisRanges r = ComputeAnalysisRanges(*s);
  for (const AnalysisRange& range : {r.order, r.error, r.setpoint}) {
    EXPECT_EQ(range.maximum, 0.0L);
    EXPECT_EQ(range.minimum, 0.0L);
  }
}

TEST(AnalysisRangesTest, TheLowerMarginIsTakenFromTheSpanAlreadyWidenedAbove) {
  auto s = EmptyState();
  // Setpoint at 5 V from entry 50, feedback rising to 4.99 V: 0 to 5 V in all.
  for (int k = 50; k < kPlotEntries; ++k) {
    Put(*s, kSeriesSetpoint, k, 500);
    Put(*s, kSeriesFeedback, k, 499);
  }
  AnalysisRanges r = ComputeAnalysisRanges(*s);
  EXPECT_NEAR(static_cast<double>(r.setpoint.maximum), 5.25, 1e-15);
  EXPECT_NEAR(static_cast<double>(r.setpoint.minimum), -0.2625, 1e-15);
  // Both ends away from 0: 5 % of 5 above, 5 % of 5.25 below.
  const AnalysisRange w = WidenRange({2.0L, -3.0L});
  EXPECT_NEAR(static_cast<double>(w.maximum), 2.25, 1e-15);
  EXPECT_NEAR(static_cast<double>(w.minimum), -3.2625, 1e-15);
  // The feedback alone can set the top of the setpoint range.
  Put(*s, kSeriesFeedback, 900, 800);
  r = ComputeAnalysisRanges(*s);
  EXPECT_NEAR(static_cast<double>(r.setpoint.maximum), 8.4, 1e-15);
}

TEST(AnalysisRangesTest, EachRangeReadsOnlyItsOwnSeriesAndOnlyTheShownEntries) {
  auto s = EmptyState();
  // A derivative spike of 200 V at the step sets the scale of the whole order range.
  Put(*s, kSeriesDTermRaw, 50, 20000);
  Put(*s, kSeriesPTerm, 60, 300);
  Put(*s, kSeriesITerm, 70, -150);
  Put(*s, kSeriesOrder, 80, 1000);
  Put(*s, kSeriesError, 55, -600);
  // Entries past 95 s are not shown and do not count.
  Put(*s, kSeriesError, kPlotEntries, 99999);
  Put(*s, kSeriesSetpoint, 1950, -99999);
  const AnalysisRanges r = ComputeAnalysisRanges(*s);
  EXPECT_NEAR(static_cast<double>(r.order.maximum), 200 + 0.05 * 201.5, 1e-12);
  EXPECT_NEAR(static_cast<double>(r.order.minimum), -1.5 - 0.05 * (210.075 + 1.5), 1e-12);
  EXPECT_NEAR(static_cast<double>(r.error.maximum), 0.3, 1e-12);
  EXPECT_NEAR(static_cast<double>(r.error.minimum), -6 - 0.05 * 6.3, 1e-12);
  EXPECT_EQ(r.setpoint.maximum, 0.0L);
  EXPECT_EQ(r.setpoint.minimum, 0.0L);
}

TEST(AnalysisRangesTest, ScaledPerChartEachTermTakesItsOwnEntriesInViewOnly) {
  auto s = EmptyState();
  // A step at 2.5 s (entry 50): a derivative kick of -15 and +126 V, then noise of
  // ±0.12 V from 10 s (entry 200) on; the other terms far smaller than the kick.
  Put(*s, kSeriesDTermRaw, 50, 12600);
  Put(*s, kSeriesDTermRaw, 51, -1500);
  for (int k = 200; k < 400; ++k) Put(*s, kSeriesDTermRaw, k, k % 2 == 0 ? 12 : -12);
  Put(*s, kSeriesPTerm, 60, 1200);
  Put(*s, kSeriesITerm, 70, -150);
  Put(*s, kSeriesOrder, 80, 1000);
  Put(*s, kSeriesOrder, 500, -1000);           // 25 s
  Put(*s, kSeriesPTerm, kPlotEntries, 99999);  // past 95 s: never in view
  OrderRanges r = ComputeOrderRanges(*s, {0, 95});
  // The whole run in view: the derivative alone is the shared order range.
  const AnalysisRange shared = ComputeAnalysisRanges(*s).order;
  EXPECT_EQ(r.derivative.maximum, shared.maximum);
  EXPECT_EQ(r.derivative.minimum, shared.minimum);
  EXPECT_NEAR(static_cast<double>(r.proportional.maximum), 12.6, 1e-12);
  EXPECT_NEAR(static_cast<double>(r.proportional.minimum), -0.63, 1e-12);
  EXPECT_NEAR(static_cast<double>(r.integral.maximum), 0.075, 1e-12);
  EXPECT_NEAR(static_cast<double>(r.integral.minimum), -1.57875, 1e-12);
  EXPECT_NEAR(static_cast<double>(r.total.maximum), 11.0, 1e-12);
  EXPECT_NEAR(static_cast<double>(r.total.minimum), -11.05, 1e-12);
  // From 10 to 20 s (entries 200 to 400, both ends in view): the kick is out of view,
  // the derivative chart spans its noise; the total order at 25 s is out of view too.
  r = ComputeOrderRanges(*s, {10, 20});
  EXPECT_NEAR(static_cast<double>(r.derivative.maximum), 0.132, 1e-12);
  EXPECT_NEAR(static_cast<double>(r.derivative.minimum), -0.1326, 1e-12);
  EXPECT_EQ(r.proportional.maximum, 0.0L);
  EXPECT_EQ(r.total.minimum, 0.0L);
  Put(*s, kSeriesDTermRaw, 400, 50);  // the window's last entry counts
  EXPECT_NEAR(static_cast<double>(ComputeOrderRanges(*s, {10, 20}).derivative.maximum), 0.531,
              1e-12);
}

TEST(AnalysisTimesTest, TimesRunFromZeroTo95SecondsInSamplePeriods) {
  const auto x = AnalysisTimes(50);
  EXPECT_EQ(x[0], 0.0L);
  EXPECT_NEAR(static_cast<double>(x[kPlotEntries - 1]), 95.0, 1e-12);
  // A run that never started has no period: every point stays at time 0.
  const auto none = AnalysisTimes(0);
  EXPECT_EQ(none[kPlotEntries - 1], 0.0L);
}

TEST(TimeWindowTest, StepsFollowTheEndValueNotTheSpan) {
  EXPECT_EQ(ZoomInEnd(30), 15.0);  // 10-30 becomes 10-15
  EXPECT_EQ(ZoomOutEnd(15), 30.0);
  EXPECT_EQ(ShiftRight({10, 30}), (TimeWindow{2.5, 22.5}));
  EXPECT_EQ(ShiftLeft({10, 30}), (TimeWindow{17.5, 37.5}));
}

TEST(AnalysisPageTest, MarginsCaptionAndSevenEqualStrips) {
  const AnalysisPage p = ComputeAnalysisPage(4760, 6814);
  EXPECT_EQ(p.left, 238);
  EXPECT_EQ(p.width, 4284);
  EXPECT_EQ(p.top, 273);    // 272.56
  EXPECT_EQ(p.strip, 895);  // 6268 / 7, 3 rows dropped
  EXPECT_EQ(p.captionX, 238);
  EXPECT_EQ(p.captionY, 136);  // 136.5, halves to even
  EXPECT_EQ(p.StripTop(0), 273);
  EXPECT_EQ(p.StripBottom(6), 273 + 7 * 895);
  // Halves of the side margin go to even: 2.5 -> 2, 3.5 -> 4.
  EXPECT_EQ(ComputeAnalysisPage(50, 1000).left, 2);
  EXPECT_EQ(ComputeAnalysisPage(70, 1000).left, 4);
}

TEST(AnalysisPageTest, TheStripsStayInsideTheMarginsAtAnyPageSize) {
  for (int W : {1, 99, 595, 2480, 4961}) {
    for (int H = 7; H < 7100; H += 37) {
      const AnalysisPage p = ComputeAnalysisPage(W, H);
      ASSERT_EQ(p.left + p.width + p.left, W);
      ASSERT_GE(p.StripTop(0), p.top);
      const int below = (H - p.top) - p.StripBottom(kAnalysisStrips - 1);
      ASSERT_GE(below, 0) << W << "x" << H;
      ASSERT_LE(below, 6) << W << "x" << H;
      ASSERT_LE(p.captionY, p.top);
    }
  }
}

TEST(AnalysisLayoutTest, HalfTheWidthAndAFifthOfTheHeightHalvesToEven) {
  const AnalysisLayout l = ComputeAnalysisLayout(1366, 713);
  EXPECT_EQ(l.panelWidth, 683);
  EXPECT_EQ(l.chartHeight, 143);                                // 142.6
  EXPECT_EQ(ComputeAnalysisLayout(1365, 712).panelWidth, 682);  // 682.5
  EXPECT_EQ(ComputeAnalysisLayout(1367, 712).panelWidth, 684);  // 683.5
  EXPECT_EQ(ComputeAnalysisLayout(800, 712).chartHeight, 142);  // 142.4
  EXPECT_EQ(ComputeAnalysisLayout(800, 717).chartHeight, 143);  // 143.4
}

}  // namespace
}  // namespace vantor
