// SPDX-License-Identifier: GPL-3.0-or-later
// The value <-> pixel mapping of an axis on its own: ends, inversion, inverse mapping,
// pixel moves and collapsed ranges.
#include <gtest/gtest.h>

#include <cmath>

#include "widgets/ChartScale.h"

namespace vantor {
namespace {

TEST(ChartScale, RangeEndsLandOnThePixelEndsInTheAxisDirection) {
  const ChartScale across(-2, 8, 40, 240, false);
  EXPECT_DOUBLE_EQ(across.ToPixel(-2), 40);
  EXPECT_DOUBLE_EQ(across.ToPixel(8), 240);
  EXPECT_DOUBLE_EQ(across.ToPixel(3), 140);
  EXPECT_DOUBLE_EQ(across.PixelsPerUnit(), 20);
  // Inverted (values grow upwards): the minimum at the last pixel.
  const ChartScale up(0, 10, 12, 112, true);
  EXPECT_DOUBLE_EQ(up.ToPixel(0), 112);
  EXPECT_DOUBLE_EQ(up.ToPixel(10), 12);
  EXPECT_DOUBLE_EQ(up.ToPixel(2.5), 87);
  EXPECT_DOUBLE_EQ(up.PixelsPerUnit(), -10);
  EXPECT_DOUBLE_EQ(up.Origin(), 112);
  // Values outside the range go on beyond the ends.
  EXPECT_DOUBLE_EQ(up.ToPixel(-1), 122);
  EXPECT_DOUBLE_EQ(across.ToPixel(9), 260);
}

TEST(ChartScale, PixelsGoBackToTheirValues) {
  for (bool inverted : {false, true}) {
    const ChartScale scale(28.8, 48.8, 57, 430, inverted);
    for (int p = 50; p <= 440; p += 13)
      EXPECT_NEAR(scale.ToPixel(scale.ToValue(p)), p, 1e-9) << p << " " << inverted;
    EXPECT_DOUBLE_EQ(scale.ToValue(inverted ? 430 : 57), 28.8);
    EXPECT_DOUBLE_EQ(scale.ToValue(inverted ? 57 : 430), 48.8);
  }
}

TEST(ChartScale, PixelMovesGiveTheValueCoveredWithTheAxisSign) {
  const ChartScale across(0, 30, 0, 300, false);
  EXPECT_DOUBLE_EQ(across.ValueDelta(10), 1);
  EXPECT_DOUBLE_EQ(across.ValueDelta(-25), -2.5);
  // Downwards on an inverted axis is towards smaller values.
  const ChartScale up(0, 10, 0, 200, true);
  EXPECT_DOUBLE_EQ(up.ValueDelta(20), -1);
  EXPECT_DOUBLE_EQ(up.ToValue(100) + up.ValueDelta(20), up.ToValue(120));
}

TEST(ChartScale, WholePixelsRoundToTheNearestAndStayBounded) {
  const ChartScale up(0, 10, 12, 112, true);
  EXPECT_EQ(up.ToWholePixel(0), 112);
  EXPECT_EQ(up.ToWholePixel(10), 12);
  EXPECT_EQ(up.ToWholePixel(2.54), 87);
  EXPECT_EQ(up.ToWholePixel(2.56), 86);
  // Halfway between two pixels (25 * 51 / 10 = 127.5, where 25 * (51 / 10) falls just
  // short): the exact ratio decides, rounding away from zero.
  const ChartScale across(0, 10, 0, 51, false);
  EXPECT_EQ(across.ToWholePixel(25), 128);
  EXPECT_EQ(up.ToWholePixel(-1e300), 1000000000);
  EXPECT_EQ(up.ToWholePixel(1e300), -1000000000);
  EXPECT_EQ(up.ToWholePixel(std::nan("")), 112);
  EXPECT_EQ(ChartScale(5, 5, 10, 21, false).ToWholePixel(5), 16);
}

TEST(ChartScale, CollapsedRangesAndSinglePixelsStayDefined) {
  const ChartScale flat(5, 5, 10, 21, true);
  EXPECT_TRUE(flat.Collapsed());
  EXPECT_DOUBLE_EQ(flat.ToPixel(5), 15.5);
  EXPECT_DOUBLE_EQ(flat.ToPixel(-1e300), 15.5);
  EXPECT_DOUBLE_EQ(flat.ToValue(10), 5);
  EXPECT_DOUBLE_EQ(ChartScale(5, 5, 10, 21, false).ToPixel(5), 15.5);
  // A range too narrow to divide by is collapsed too.
  EXPECT_TRUE(ChartScale(0, 1e-320, 0, 100, false).Collapsed());
  // One pixel: the range is spread as over two, never divided by zero.
  const ChartScale one(0, 1, 7, 7, false);
  EXPECT_FALSE(one.Collapsed());
  EXPECT_DOUBLE_EQ(one.ToPixel(1), 8);
  EXPECT_DOUBLE_EQ(one.Middle(), 7);
  EXPECT_TRUE(std::isfinite(one.ToValue(100)));
}

}  // namespace
}  // namespace vantor
