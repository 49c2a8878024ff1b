// SPDX-License-Identifier: GPL-3.0-or-later
// The legend's geometry: cells per row, rows, the box around them and where each item's
// swatch and text go.
#include <gtest/gtest.h>

#include <QRect>

#include "widgets/ChartLegend.h"

namespace vantor {
namespace {

TEST(ChartLegend, ItemsFillRowsOfWhatFitsAndTheBoxHoldsThemAll) {
  // Text 60 wide, swatch 50 %: cells of 30 + 4 + 60 + 10 = 104 pixels.
  const LegendLayout wide = LayOutLegend(3, 60, 14, 50, 500);
  EXPECT_DOUBLE_EQ(wide.itemWidth, 104);
  EXPECT_EQ(wide.columns, 3);  // never more cells than items
  EXPECT_EQ(wide.rows, 1);
  const LegendLayout narrow = LayOutLegend(7, 60, 14, 50, 330);
  EXPECT_EQ(narrow.columns, 3);  // 3 * 104 fits in 330 - 8, 4 * 104 does not
  EXPECT_EQ(narrow.rows, 3);
  EXPECT_LE(narrow.size.width(), 330);
  const QRect box(QPoint(17, 250), narrow.size);
  for (int i = 0; i < 7; ++i) {
    const QPointF item = narrow.ItemAt(box.topLeft(), i);
    const QRectF swatch = narrow.SwatchAt(item);
    EXPECT_GE(swatch.left(), box.left()) << i;
    EXPECT_LE(item.x() + narrow.itemWidth, box.right() + 1) << i;
    EXPECT_GE(item.y(), box.top()) << i;
    EXPECT_LE(item.y() + narrow.lineHeight, box.bottom() + 1) << i;
    EXPECT_LT(swatch.right(), narrow.TextAt(item, 11).x()) << i;
  }
  // Row by row: the fourth item starts the second row under the first.
  EXPECT_EQ(narrow.ItemAt(box.topLeft(), 3).x(), narrow.ItemAt(box.topLeft(), 0).x());
  EXPECT_GT(narrow.ItemAt(box.topLeft(), 3).y(), narrow.ItemAt(box.topLeft(), 2).y());
}

TEST(ChartLegend, SwatchesKeepAMinimumAndCentreOnTheirLine) {
  const LegendLayout legend = LayOutLegend(2, 2, 4, 10, 40);
  EXPECT_DOUBLE_EQ(legend.swatchWidth, 4);
  EXPECT_DOUBLE_EQ(legend.swatchHeight, 3);
  const QRectF swatch = legend.SwatchAt(QPointF(0, 0));
  EXPECT_DOUBLE_EQ(swatch.center().y(), legend.lineHeight / 2);
  // Too narrow for one cell: still one per row.
  EXPECT_EQ(LayOutLegend(2, 100, 14, 55, 20).columns, 1);
  EXPECT_EQ(LayOutLegend(2, 100, 14, 55, 20).rows, 2);
  // No item, no box.
  EXPECT_TRUE(LayOutLegend(0, 100, 14, 55, 400).size.isEmpty());
  EXPECT_EQ(LayOutLegend(0, 100, 14, 55, 400).rows, 0);
}

}  // namespace
}  // namespace vantor
