// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the chart's drawing code shares between its files: sizes, the pixel of a value
// as drawn, and lines drawn either through the painter or straight into the pixels.
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "widgets/ChartScale.h"
#include "widgets/PixelWriter.h"

namespace vantor {

inline constexpr int kChartGap = 2;       // pixels between an axis' ticks, labels and title
inline constexpr double kChartFar = 1e6;  // drawn coordinates are kept within +-kChartFar

// Pixel of `value` for drawing, not rounded: kept within +-kChartFar, and a value that
// has no place (NaN) at the middle of the axis.
inline double DrawnPixel(const ChartScale& scale, double value) {
  const double p = scale.ToPixel(value);
  if (std::isnan(p)) return scale.Middle();
  return std::clamp(p, -kChartFar, kChartFar);
}

// One-pixel lines in a pen chosen by Use: on the writer when there is one and the pen is
// opaque, else through the painter.
class ChartLines {
 public:
  ChartLines(QPainter& painter, PixelWriter* writer) : painter_(painter), writer_(writer) {}

  void Use(const QPen& pen) {
    painter_.setPen(pen);
    colour_ = pen.color().rgba();
    dotted_ = pen.style() == Qt::DotLine;
  }
  void Line(double x0, double y0, double x1, double y1) {
    if (writer_ && qAlpha(colour_) == 255) {
      const int a = static_cast<int>(x0), b = static_cast<int>(y0);
      const int c = static_cast<int>(x1), d = static_cast<int>(y1);
      if (dotted_)
        writer_->DottedLine(a, b, c, d, colour_);
      else
        writer_->Line(a, b, c, d, colour_);
    } else {
      painter_.drawLine(QPointF(x0, y0), QPointF(x1, y1));
    }
  }

 private:
  QPainter& painter_;
  PixelWriter* writer_;
  QRgb colour_ = 0;
  bool dotted_ = false;
};

}  // namespace vantor
