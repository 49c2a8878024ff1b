// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/PixelWriter.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vantor {

namespace {

// num / den rounded to the nearest integer, halves up; den > 0.
long long RoundDiv(long long num, long long den) {
  const long long n2 = 2 * num + den;
  const long long d2 = 2 * den;
  long long q = n2 / d2;
  if (n2 % d2 < 0) --q;
  return q;
}

}  // namespace

std::optional<PixelWriter> PixelWriter::For(QPainter& painter) {
  QPaintDevice* device = painter.device();
  if (!device || device->devType() != QInternal::Image) return std::nullopt;
  auto* image = static_cast<QImage*>(device);
  const QImage::Format f = image->format();
  if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
      f != QImage::Format_ARGB32_Premultiplied)
    return std::nullopt;
  if (!image->isDetached() || image->devicePixelRatio() != 1) return std::nullopt;
  const QTransform t = painter.deviceTransform();
  if (t.type() > QTransform::TxTranslate) return std::nullopt;
  if (t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy())) return std::nullopt;
  if (painter.hasClipping() || painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
      painter.opacity() != 1.0)
    return std::nullopt;
  return PixelWriter(*image, QPoint(static_cast<int>(t.dx()), static_cast<int>(t.dy())));
}

PixelWriter::PixelWriter(QImage& image, QPoint offset)
    : bits_(image.bits()),
      stride_(image.bytesPerLine()),
      offset_(offset),
      bounds_(image.rect()),
      clip_(image.rect()) {}

void PixelWriter::SetClip(const QRect& clip) {
  clip_ = clip.translated(offset_) & bounds_;
}

void PixelWriter::Line(int x0, int y0, int x1, int y1, QRgb colour) {
  if (clip_.isEmpty()) return;
  x0 += offset_.x(), x1 += offset_.x(), y0 += offset_.y(), y1 += offset_.y();
  const long long dx = static_cast<long long>(x1) - x0;
  const long long dy = static_cast<long long>(y1) - y0;
  if (std::llabs(dx) >= std::llabs(dy)) {
    if (dx == 0) {
      if (clip_.contains(x0, y0)) Put(x0, y0, colour);
      return;
    }
    const int from = std::max(std::min(x0, x1), clip_.left());
    const int to = std::min(std::max(x0, x1), clip_.right());
    const long long sign = dx > 0 ? 1 : -1;
    for (int x = from; x <= to; ++x) {
      const long long y = y0 + RoundDiv((x - x0) * dy * sign, dx * sign);
      if (y >= clip_.top() && y <= clip_.bottom()) Put(x, static_cast<int>(y), colour);
    }
  } else {
    const int from = std::max(std::min(y0, y1), clip_.top());
    const int to = std::min(std::max(y0, y1), clip_.bottom());
    const long long sign = dy > 0 ? 1 : -1;
    for (int y = from; y <= to; ++y) {
      const long long x = x0 + RoundDiv((y - y0) * dx * sign, dy * sign);
      if (x >= clip_.left() && x <= clip_.right()) Put(static_cast<int>(x), y, colour);
    }
  }
}

void PixelWriter::DottedLine(int x0, int y0, int x1, int y1, QRgb colour) {
  x0 += offset_.x(), x1 += offset_.x(), y0 += offset_.y(), y1 += offset_.y();
  if (y0 == y1) {
    if (y0 < clip_.top() || y0 > clip_.bottom()) return;
    const int step = x1 >= x0 ? 1 : -1;
    for (int x = x0, i = 0;; x += step, ++i) {
      if (i % 3 == 0 && x >= clip_.left() && x <= clip_.right()) Put(x, y0, colour);
      if (x == x1) break;
    }
  } else if (x0 == x1) {
    if (x0 < clip_.left() || x0 > clip_.right()) return;
    const int step = y1 >= y0 ? 1 : -1;
    for (int y = y0, i = 0;; y += step, ++i) {
      if (i % 3 == 0 && y >= clip_.top() && y <= clip_.bottom()) Put(x0, y, colour);
      if (y == y1) break;
    }
  } else {
    Line(x0 - offset_.x(), y0 - offset_.y(), x1 - offset_.x(), y1 - offset_.y(), colour);
  }
}

void PixelWriter::Polyline(const QPointF* points, int count, QRgb colour) {
  if (count == 1) {
    Line(static_cast<int>(points[0].x()), static_cast<int>(points[0].y()),
         static_cast<int>(points[0].x()), static_cast<int>(points[0].y()), colour);
    return;
  }
  for (int i = 0; i + 1 < count; ++i)
    Line(static_cast<int>(points[i].x()), static_cast<int>(points[i].y()),
         static_cast<int>(points[i + 1].x()), static_cast<int>(points[i + 1].y()), colour);
}

}  // namespace vantor
