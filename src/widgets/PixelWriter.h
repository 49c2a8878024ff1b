// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opaque one-pixel lines written straight into a 32-bit image, clipped to a rectangle.
// The chart draws its grid, ticks and series through it when it paints 1:1 into an image
// (on screen it paints into its own image, then copies it): tens of thousands of short
// segments cost a few nanoseconds each instead of a trip through the paint engine.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <optional>

class QPainter;

namespace vantor {

class PixelWriter {
 public:
  // A writer for the painter's image when the painter draws 1:1 into an unshared 32-bit
  // image (translation by whole pixels only, no clip, normal composition, full
  // opacity); nothing otherwise.
  static std::optional<PixelWriter> For(QPainter& painter);

  PixelWriter(QImage& image, QPoint offset);

  // Clip rectangle, in the painter's coordinates (before the offset).
  void SetClip(const QRect& clip);
  // Line with both ends included: along its major axis one pixel per step, the other
  // coordinate rounded to the nearest pixel (halves up). Only the clipped part is walked,
  // so far-away ends cost nothing.
  void Line(int x0, int y0, int x1, int y1, QRgb colour);
  // Dotted horizontal or vertical line: one pixel drawn, two skipped, from the first end.
  void DottedLine(int x0, int y0, int x1, int y1, QRgb colour);
  // Polyline through points already on whole pixels.
  void Polyline(const QPointF* points, int count, QRgb colour);

 private:
  void Put(int x, int y, QRgb colour) {
    reinterpret_cast<QRgb*>(bits_ + static_cast<std::ptrdiff_t>(y) * stride_)[x] = colour;
  }
  uchar* bits_;
  qsizetype stride_;
  QPoint offset_;
  QRect bounds_;  // image rectangle, image coordinates
  QRect clip_;    // image coordinates, inside bounds_
};

}  // namespace vantor
