// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Geometry of a chart's legend: its items (a colour swatch, then the series' title) in a
// grid of equal cells, filled row by row, inside a box with a small padding.
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>

namespace vantor {

struct LegendLayout {
  double swatchWidth = 0;
  double swatchHeight = 0;
  double itemWidth = 0;   // one cell: swatch, gap, longest text, gap
  double lineHeight = 0;  // text height; rows are two pixels further apart
  int columns = 1;
  int rows = 0;
  QSize size;  // the box around the items (empty when there is no item)

  // Top-left corner of item `index` in a box whose top-left corner is `box`.
  QPointF ItemAt(QPoint box, int index) const;
  // The swatch of the item at `item`, centred on its text line.
  QRectF SwatchAt(QPointF item) const;
  // Where the item's text starts (left end of its baseline), for a font of `ascent`.
  QPointF TextAt(QPointF item, double ascent) const;
};

// Lays out `items` legend entries whose longest text is `longestText` wide, for a font
// `lineHeight` high, with a swatch `swatchPercent` percent of the longest text wide
// (4 pixels at least), in `width` pixels: as many cells per row as fit (one at least,
// no more than there are items), as many rows as needed.
LegendLayout LayOutLegend(int items, double longestText, double lineHeight, int swatchPercent,
                          int width);

}  // namespace vantor
