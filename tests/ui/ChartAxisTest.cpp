// SPDX-License-Identifier: GPL-3.0-or-later
// Axis ranges and their refusals, tick choice, labels and the value <-> pixel mapping.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "ChartTestSupport.h"
#include "ThrownText.h"
#include "common/VantorError.h"
#include "widgets/TChart.h"

namespace vantor {
namespace {

TEST(ChartAxis, RefusesInvertedEndsWithTheirMessagesAndKeepsTheRange) {
  TChart chart;
  TChartAxis& axis = chart.BottomAxis();
  axis.SetMinMax(0, 20);
  EXPECT_EQ(ThrownText([&] { axis.SetMaximum(-1); }),
            "La valeur maximum de l'axe doit être >= Minimum");
  EXPECT_EQ(ThrownText([&] { axis.SetMinimum(20.5); }),
            "La valeur minimum de l'axe doit être <= Maximum");
  EXPECT_EQ(axis.Minimum(), 0);
  EXPECT_EQ(axis.Maximum(), 20);
  // Equal ends are allowed, then the range may be moved anywhere at once.
  axis.SetMaximum(0);
  axis.SetMinimum(0);
  EXPECT_EQ(axis.Maximum(), 0);
  axis.SetMinMax(28.8, 48.8);
  EXPECT_EQ(axis.Minimum(), 28.8);
  EXPECT_EQ(axis.Maximum(), 48.8);
  EXPECT_EQ(ThrownText([&] { axis.SetMaximum(24.4); }),
            "La valeur maximum de l'axe doit être >= Minimum");
  axis.SetMaximum(40);
  EXPECT_EQ(axis.Maximum(), 40);
}

TEST(ChartAxis, TicksUseRoundStepsKeepLabelsApartAndStayBounded) {
  const AxisTicks ticks = ComputeAxisTicks(0, 30, 400, 20, 20);
  ASSERT_GE(ticks.values.size(), 2u);
  const double mantissa = ticks.step / std::pow(10.0, std::floor(std::log10(ticks.step)));
  EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
              std::fabs(mantissa - 5) < 1e-9)
      << ticks.step;
  // Labels 20 px wide with 20 % separation over 400 px: centres at least 24 px apart.
  EXPECT_GE(ticks.step * 400 / 30, 24.0);
  EXPECT_EQ(ticks.values.front(), 0);
  EXPECT_EQ(ticks.values.back(), 30);
  EXPECT_EQ(ticks.labels.size(), ticks.values.size());

  // Degenerate sizes and ranges: bounded, no hang, sensible single tick when collapsed.
  EXPECT_LE(ComputeAxisTicks(0, 1e9, 1e9, 0, 0).values.size(), std::size_t(kMaxAxisTicks));
  EXPECT_LE(ComputeAxisTicks(-1e300, 1e300, 500, 10, 10).values.size(), std::size_t(kMaxAxisTicks));
  const AxisTicks collapsed = ComputeAxisTicks(0, 0, 200, 10, 10);
  ASSERT_EQ(collapsed.values.size(), 1u);
  EXPECT_EQ(collapsed.labels.front(), "0");
  EXPECT_TRUE(ComputeAxisTicks(5, 1, 200, 10, 10).values.empty());
  EXPECT_TRUE(ComputeAxisTicks(0, std::nan(""), 200, 10, 10).values.empty());
  EXPECT_LE(ComputeAxisTicks(1e17, 1e17 + 64, 300, 10, 0).values.size(), 2u);
}

TEST(ChartAxis, LabelsUseThePointAndOnlyTheDecimalsTheStepNeeds) {
  EXPECT_EQ(FormatAxisLabel(2.5, 0.5), "2.5");
  EXPECT_EQ(FormatAxisLabel(3, 0.5), "3");
  EXPECT_EQ(FormatAxisLabel(0.25, 0.05), "0.25");
  EXPECT_EQ(FormatAxisLabel(-1e-17, 0.1), "0");
  EXPECT_EQ(FormatAxisLabel(-0.2625, 0), "-0.2625");
  EXPECT_EQ(FormatAxisLabel(1500, 500), "1500");
  const AxisTicks ticks = ComputeAxisTicks(-0.3, 0.3, 300, 10, 10);
  for (const QString& label : ticks.labels) EXPECT_NE(label, "-0");
}

TEST(ChartAxis, PixelsAndValuesAreInverseWithinOnePixel) {
  TChart chart;
  testing::SetUpTrace(chart);
  const QRect plot = chart.ChartRect();
  ASSERT_GT(plot.width(), 100);
  ASSERT_GT(plot.height(), 100);
  EXPECT_EQ(chart.BottomAxis().CalcPosValue(0), plot.left());
  EXPECT_EQ(chart.BottomAxis().CalcPosValue(30), plot.right());
  EXPECT_EQ(chart.LeftAxis().CalcPosValue(0), plot.bottom());
  EXPECT_EQ(chart.LeftAxis().CalcPosValue(10), plot.top());
  for (int x = plot.left(); x <= plot.right(); x += 7)
    EXPECT_NEAR(chart.BottomAxis().CalcPosValue(chart.BottomAxis().CalcPosPoint(x)), x, 1);
  for (int y = plot.top(); y <= plot.bottom(); y += 5)
    EXPECT_NEAR(chart.LeftAxis().CalcPosValue(chart.LeftAxis().CalcPosPoint(y)), y, 1);
  const QPointF v = chart.PixelToValues(QPoint(plot.left(), plot.top()));
  EXPECT_DOUBLE_EQ(v.x(), 0);
  EXPECT_DOUBLE_EQ(v.y(), 10);
  // Huge or non-finite values still give a pixel, not undefined behaviour.
  EXPECT_GT(chart.LeftAxis().CalcPosValue(-1e300), plot.bottom());
  EXPECT_EQ(chart.LeftAxis().CalcPosValue(std::nan("")), plot.bottom());
}

TEST(ChartAxis, CursorToValuesReadsThePointerThroughTheSameMapping) {
  TChart chart;
  testing::SetUpTrace(chart);
  chart.show();
  const QRect plot = chart.ChartRect();
  const QPoint inside(plot.left() + plot.width() / 3, plot.top() + plot.height() / 4);
  QCursor::setPos(chart.mapToGlobal(inside));
  if (chart.mapFromGlobal(QCursor::pos()) != inside)
    GTEST_SKIP() << "this platform does not move the pointer";
  const QPointF values = chart.CursorToValues();
  EXPECT_NEAR(chart.BottomAxis().CalcPosValue(values.x()), inside.x(), 1);
  EXPECT_NEAR(chart.LeftAxis().CalcPosValue(values.y()), inside.y(), 1);
  EXPECT_NEAR(values.x(), 10, 30.0 / plot.width());
  EXPECT_NEAR(values.y(), 7.5, 10.0 / plot.height());
}

TEST(ChartAxis, CollapsedRangeDrawsItsSeriesAcrossTheMiddle) {
  TChart chart;
  chart.resize(300, 150);
  chart.LegendVisible = false;
  chart.LeftAxis().SetMinMax(0, 0);
  chart.BottomAxis().SetMinMax(0, 20);
  chart.LeftAxis().Grid = false;
  chart.BottomAxis().Grid = false;
  TFastLineSeries* zero = chart.AddSeries("Series1", "zero", Qt::red);
  for (int k = 0; k <= 400; ++k) zero->AddXY(k * 0.05, 0);
  QImage image(chart.size(), QImage::Format_RGB32);
  QPainter painter(&image);
  chart.Render(painter, chart.size());
  painter.end();
  const QRect plot = chart.ChartRect();
  const int middle = chart.LeftAxis().CalcPosValue(0);
  EXPECT_NEAR(middle, plot.center().y(), 1);
  EXPECT_EQ(image.pixelColor(plot.center().x(), middle), QColor(Qt::red));
  EXPECT_DOUBLE_EQ(chart.LeftAxis().CalcPosPoint(plot.top()), 0);
}

}  // namespace
}  // namespace vantor
