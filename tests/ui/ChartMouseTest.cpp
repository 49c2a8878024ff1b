// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse zoom, pan and undo zoom on the chart, and the events it reports.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "ChartTestSupport.h"
#include "widgets/TChart.h"

namespace vantor {
namespace {

using testing::Drag;
using testing::SendMouse;

struct Ranges {
  double b0, b1, l0, l1;
};
Ranges RangesOf(TChart& c) {
  return {c.BottomAxis().Minimum(), c.BottomAxis().Maximum(), c.LeftAxis().Minimum(),
          c.LeftAxis().Maximum()};
}
void ExpectRanges(TChart& c, const Ranges& r) {
  EXPECT_DOUBLE_EQ(c.BottomAxis().Minimum(), r.b0);
  EXPECT_DOUBLE_EQ(c.BottomAxis().Maximum(), r.b1);
  EXPECT_DOUBLE_EQ(c.LeftAxis().Minimum(), r.l0);
  EXPECT_DOUBLE_EQ(c.LeftAxis().Maximum(), r.l1);
}

class ChartMouse : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::SetUpTrace(chart);
    plot = chart.ChartRect();
    start = plot.topLeft() + QPoint(40, 30);
  }
  TChart chart;
  QRect plot;
  QPoint start;
};

TEST_F(ChartMouse, DragRightAndDownZoomsBothAxesToTheRectangle) {
  QSignalSpy zoomed(&chart, &TChart::Zoomed);
  const QPoint end = start + QPoint(120, 80);
  const QPointF topLeft = chart.PixelToValues(start);
  const QPointF bottomRight = chart.PixelToValues(end);
  Drag(&chart, Qt::LeftButton, start, end);
  EXPECT_EQ(zoomed.count(), 1);
  ExpectRanges(chart, {topLeft.x(), bottomRight.x(), bottomRight.y(), topLeft.y()});
}

TEST_F(ChartMouse, AnimatedZoomOnAShownChartEndsOnTheExactRectangle) {
  chart.show();
  chart.AnimatedZoom = true;
  chart.AnimatedZoomSteps = 8;
  const QPoint end = start + QPoint(60, 40);
  const QPointF a = chart.PixelToValues(start), b = chart.PixelToValues(end);
  Drag(&chart, Qt::LeftButton, start, end);
  ExpectRanges(chart, {a.x(), b.x(), b.y(), a.y()});
}

TEST_F(ChartMouse, SmallDragsDoNothingAndOtherDirectionsUndoTheZoom) {
  const Ranges initial = RangesOf(chart);
  // Not more than 16 pixels in both directions: nothing, whatever the direction.
  Drag(&chart, Qt::LeftButton, start, start + QPoint(16, 100));
  Drag(&chart, Qt::LeftButton, start, start + QPoint(100, 10));
  Drag(&chart, Qt::LeftButton, start + QPoint(100, 100), start + QPoint(50, 90));
  ExpectRanges(chart, initial);

  Drag(&chart, Qt::LeftButton, start, start + QPoint(100, 100));
  const Ranges zoomed = RangesOf(chart);
  EXPECT_LT(zoomed.b1 - zoomed.b0, initial.b1 - initial.b0);
  Drag(&chart, Qt::LeftButton, start + QPoint(50, 50), start + QPoint(70, 90));  // 20 x 40: zooms
  Drag(&chart, Qt::LeftButton, start + QPoint(100, 0), start + QPoint(0, 100));  // left, down
  ExpectRanges(chart, initial);

  Drag(&chart, Qt::LeftButton, start, start + QPoint(100, 100));
  QSignalSpy undone(&chart, &TChart::UndoneZoom);
  Drag(&chart, Qt::LeftButton, start + QPoint(0, 100), start + QPoint(100, 0));  // right, up
  EXPECT_EQ(undone.count(), 1);
  ExpectRanges(chart, initial);
}

TEST_F(ChartMouse, ZoomIsIgnoredWhenNotAllowed) {
  chart.AllowZoom = false;
  const Ranges initial = RangesOf(chart);
  Drag(&chart, Qt::LeftButton, start, start + QPoint(100, 100));
  ExpectRanges(chart, initial);
}

TEST_F(ChartMouse, RightDragPansByThePointersDisplacement) {
  // Without labels the plot keeps its place whatever the ranges show.
  chart.BottomAxis().Labels = false;
  chart.LeftAxis().Labels = false;
  start = chart.ChartRect().topLeft() + QPoint(40, 30);
  QSignalSpy scrolled(&chart, &TChart::Scrolled);
  const QPoint end = start + QPoint(73, -21);
  const QPointF under = chart.PixelToValues(start);
  Drag(&chart, Qt::RightButton, start, end);
  EXPECT_GE(scrolled.count(), 1);
  // The value that was under the pointer is under it again where the drag ended.
  const QPointF after = chart.PixelToValues(end);
  EXPECT_NEAR(after.x(), under.x(), 1e-9);
  EXPECT_NEAR(after.y(), under.y(), 1e-9);
  // The spans are kept.
  EXPECT_NEAR(chart.BottomAxis().Maximum() - chart.BottomAxis().Minimum(), 30, 1e-9);
  EXPECT_NEAR(chart.LeftAxis().Maximum() - chart.LeftAxis().Minimum(), 10, 1e-9);
}

TEST_F(ChartMouse, PanningFollowsAllowPanningAndStartsOnlyInsideThePlot) {
  const Ranges initial = RangesOf(chart);
  chart.AllowPanning = TPanningMode::pmNone;
  Drag(&chart, Qt::RightButton, start, start + QPoint(50, 50));
  ExpectRanges(chart, initial);

  chart.AllowPanning = TPanningMode::pmBoth;
  const QPoint outside(plot.left() - 3, plot.bottom() + 3);
  Drag(&chart, Qt::RightButton, outside, outside + QPoint(50, -50));
  ExpectRanges(chart, initial);

  chart.AllowPanning = TPanningMode::pmHorizontal;
  Drag(&chart, Qt::RightButton, start, start + QPoint(50, 50));
  EXPECT_LT(chart.BottomAxis().Minimum(), 0);
  EXPECT_EQ(chart.LeftAxis().Minimum(), 0);
  EXPECT_EQ(chart.LeftAxis().Maximum(), 10);
  chart.UndoZoom();
  chart.AllowPanning = TPanningMode::pmVertical;
  Drag(&chart, Qt::RightButton, start, start + QPoint(50, 50));
  EXPECT_EQ(chart.BottomAxis().Minimum(), 0);
  EXPECT_GT(chart.LeftAxis().Minimum(), 0);
}

TEST_F(ChartMouse, UndoAfterZoomThenPanRestoresTheRangesFromBeforeTheZoom) {
  const Ranges initial = RangesOf(chart);
  chart.UndoZoom();  // nothing in force: no change
  ExpectRanges(chart, initial);
  Drag(&chart, Qt::LeftButton, start, start + QPoint(150, 90));
  Drag(&chart, Qt::RightButton, start, start + QPoint(-30, 40));
  Drag(&chart, Qt::LeftButton, start, start + QPoint(40, 40));
  chart.UndoZoom();
  ExpectRanges(chart, initial);
  // A pan alone is undone the same way, and a second undo changes nothing.
  Drag(&chart, Qt::RightButton, start, start + QPoint(25, 25));
  chart.UndoZoom();
  chart.UndoZoom();
  ExpectRanges(chart, initial);
}

TEST_F(ChartMouse, ReportsEveryMoveAndDoubleClicks) {
  QSignalSpy moved(&chart, &TChart::MouseMoved);
  QSignalSpy doubled(&chart, &TChart::DoubleClicked);
  SendMouse(&chart, QEvent::MouseMove, QPoint(3, 4), Qt::NoButton, Qt::NoButton, Qt::ShiftModifier);
  SendMouse(&chart, QEvent::MouseMove, plot.center(), Qt::NoButton, Qt::NoButton);
  ASSERT_EQ(moved.count(), 2);
  EXPECT_EQ(moved.at(0).at(0).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
  EXPECT_EQ(moved.at(0).at(1).toInt(), 3);
  EXPECT_EQ(moved.at(0).at(2).toInt(), 4);
  EXPECT_EQ(moved.at(1).at(1).toInt(), plot.center().x());
  SendMouse(&chart, QEvent::MouseButtonDblClick, QPoint(2, 2), Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(doubled.count(), 1);
}

}  // namespace
}  // namespace vantor
