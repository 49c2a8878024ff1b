// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ChartLegend.h"

#include <algorithm>
#include <cmath>

namespace vantor {

namespace {

constexpr int kPadX = 4;      // between the box and the cells, left and right
constexpr int kPadY = 2;      // between the box and the cells, top and bottom
constexpr int kTextGap = 4;   // between a swatch and its text
constexpr int kCellGap = 10;  // after a text, before the next cell
constexpr int kRowGap = 2;

}  // namespace

LegendLayout LayOutLegend(int items, double longestText, double lineHeight, int swatchPercent,
                          int width) {
  LegendLayout legend;
  legend.lineHeight = lineHeight;
  legend.swatchWidth = std::max(4.0, longestText * swatchPercent / 100.0);
  legend.swatchHeight = std::max(3.0, lineHeight * 0.6);
  legend.itemWidth = legend.swatchWidth + kTextGap + longestText + kCellGap;
  if (items <= 0) return legend;
  const double available = std::max(width - 2 * kPadX, 1);
  legend.columns = std::max(1, std::min(items, static_cast<int>(available / legend.itemWidth)));
  legend.rows = (items + legend.columns - 1) / legend.columns;
  legend.size =
      QSize(static_cast<int>(std::ceil(legend.columns * legend.itemWidth + 2 * kPadX)),
            static_cast<int>(std::ceil(legend.rows * (lineHeight + kRowGap) + 2 * kPadY)));
  return legend;
}

QPointF LegendLayout::ItemAt(QPoint box, int index) const {
  return QPointF(box.x() + kPadX + (index % columns) * itemWidth,
                 box.y() + kPadY + (index / columns) * (lineHeight + kRowGap));
}

QRectF LegendLayout::SwatchAt(QPointF item) const {
  return QRectF(item.x(), item.y() + (lineHeight - swatchHeight) / 2, swatchWidth, swatchHeight);
}

QPointF LegendLayout::TextAt(QPointF item, double ascent) const {
  return QPointF(item.x() + swatchWidth + kTextGap, item.y() + ascent);
}

}  // namespace vantor
