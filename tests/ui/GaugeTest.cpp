// SPDX-License-Identifier: GPL-3.0-or-later
// Gauge: clamping, repaints on a changed whole percentage, and what the pie and the
// vertical bar look like.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "widgets/TGauge.h"

namespace vantor {
namespace {

const QColor kTeal(0, 128, 128);

TEST(Gauge, ProgressIsClampedAndThePercentageTruncated) {
  TGauge gauge;
  gauge.MaxValue = 1000;
  gauge.SetProgress(-20);
  EXPECT_EQ(gauge.Progress(), 0);
  gauge.SetProgress(5000);
  EXPECT_EQ(gauge.Progress(), 1000);
  EXPECT_EQ(gauge.PercentDone(), 100);
  gauge.SetProgress(419);
  EXPECT_EQ(gauge.PercentDone(), 41);
  EXPECT_EQ(GaugePercent(5, 10, 10), 0);                              // empty range
  EXPECT_EQ(GaugePercent(5, 10, 0), 0);                               // reversed range
  EXPECT_EQ(GaugePercent(2000000000, -2000000000, 2000000000), 100);  // no overflow
  EXPECT_EQ(GaugePercent(0, -2000000000, 2000000000), 50);
}

TEST(Gauge, RepaintsOnlyWhenTheWholePercentageChanges) {
  TGauge gauge;
  gauge.MaxValue = 1000;
  const int before = gauge.RepaintCount();
  for (int v = 0; v <= 9; ++v) gauge.SetProgress(v);  // still 0 %
  EXPECT_EQ(gauge.RepaintCount(), before);
  gauge.SetProgress(10);  // 1 %
  gauge.SetProgress(19);  // 1 %
  EXPECT_EQ(gauge.RepaintCount(), before + 1);
  gauge.SetProgress(2000);  // 100 %
  gauge.SetProgress(1500);  // clamped, still 100 %
  EXPECT_EQ(gauge.RepaintCount(), before + 2);
  gauge.SetProgress(0);
  EXPECT_EQ(gauge.RepaintCount(), before + 3);
}

QColor AtAngle(const QImage& image, double degreesClockwiseFromNoon, double radiusFraction) {
  const double cx = image.width() / 2.0, cy = image.height() / 2.0;
  const double r = radiusFraction * image.width() / 2.0;
  const double a = degreesClockwiseFromNoon * M_PI / 180.0;
  return image.pixelColor(static_cast<int>(cx + r * std::sin(a)),
                          static_cast<int>(cy - r * std::cos(a)));
}

TEST(Gauge, PieSectorStartsAtNoonAndGrowsClockwise) {
  TGauge gauge;
  gauge.resize(121, 121);
  gauge.MaxValue = 1000;
  gauge.ShowText = false;
  gauge.BackColor = kTeal;
  gauge.ForeColor = Qt::red;
  gauge.SetProgress(250);  // a quarter turn: noon to three o'clock
  QImage image = gauge.grab().toImage();
  EXPECT_EQ(AtAngle(image, 45, 0.6), QColor(Qt::red));
  EXPECT_EQ(AtAngle(image, 135, 0.6), kTeal);
  EXPECT_EQ(AtAngle(image, 315, 0.6), kTeal);
  EXPECT_EQ(AtAngle(image, 5, 0.6), QColor(Qt::red));
  EXPECT_EQ(AtAngle(image, 355, 0.6), kTeal);
  // Around the disk: the control colour.
  EXPECT_EQ(image.pixelColor(1, 1), gauge.palette().color(QPalette::Window));

  gauge.SetProgress(750);
  image = gauge.grab().toImage();
  EXPECT_EQ(AtAngle(image, 225, 0.6), QColor(Qt::red));
  EXPECT_EQ(AtAngle(image, 315, 0.6), kTeal);
  gauge.SetProgress(1000);
  image = gauge.grab().toImage();
  EXPECT_EQ(AtAngle(image, 315, 0.6), QColor(Qt::red));
}

TEST(Gauge, VerticalBarFillsFromTheBottom) {
  TGauge gauge;
  gauge.Kind = TGaugeKind::gkVerticalBar;
  gauge.resize(25, 200);
  gauge.MaxValue = 1000;
  gauge.ShowText = false;
  gauge.BackColor = Qt::white;
  gauge.ForeColor = Qt::blue;
  gauge.SetProgress(300);
  const QImage image = gauge.grab().toImage();
  EXPECT_EQ(image.pixelColor(12, 199), QColor(Qt::blue));
  EXPECT_EQ(image.pixelColor(12, 200 - 60), QColor(Qt::blue));
  EXPECT_EQ(image.pixelColor(12, 200 - 61), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(12, 0), QColor(Qt::white));
}

}  // namespace
}  // namespace vantor
