// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The value <-> pixel mapping of one chart axis. The axis' range [minimum, maximum] is
// laid over the pixels [firstPixel, lastPixel]; a plain axis maps its minimum to the
// first pixel (a horizontal axis: left to right), an inverted one to the last pixel (a
// vertical axis: values grow upwards, pixels downwards). A range over a single pixel is
// treated as one over two, so that the mapping stays defined.
//
// A collapsed range (minimum == maximum, or a span too small to divide by) maps every
// value to the middle of the pixel range, and every pixel back to the minimum.
#include <algorithm>
#include <cmath>

namespace vantor {

class ChartScale {
 public:
  ChartScale(double minimum, double maximum, int firstPixel, int lastPixel, bool inverted)
      : minimum_(minimum), span_(maximum - minimum) {
    const int extent = lastPixel - firstPixel;
    const double size = std::max(extent, 1);
    origin_ = inverted ? lastPixel : firstPixel;
    size_ = inverted ? -size : size;
    scale_ = span_ != 0 ? size_ / span_ : 0;
    middle_ = inverted ? lastPixel - extent / 2.0 : firstPixel + extent / 2.0;
    collapsed_ = span_ == 0 || !std::isfinite(scale_);
  }

  // Pixel of `value`, not rounded; the middle of the pixel range when the range is
  // collapsed. Not limited: far or non-finite values give far or non-finite pixels.
  double ToPixel(double value) const {
    if (collapsed_) return middle_;
    return origin_ + (value - minimum_) * scale_;
  }
  // Nearest whole pixel of `value`, kept within +-1e9 pixels; a value that has no place
  // (NaN) at the origin. Rounded from the exact ratio (value - minimum) * pixels / span,
  // so that a value halfway between two pixels does not depend on how the pixels per
  // unit were rounded.
  int ToWholePixel(double value) const {
    const double p = span_ == 0 ? middle_ : origin_ + (value - minimum_) * size_ / span_;
    if (std::isnan(p)) return static_cast<int>(origin_);
    return static_cast<int>(std::lround(std::clamp(p, -1e9, 1e9)));
  }
  // Value at `pixel`; the minimum when the range is collapsed.
  double ToValue(double pixel) const {
    if (span_ == 0) return minimum_;
    return minimum_ + ValueDelta(pixel - origin_);
  }
  // Value covered by a move of `pixels` along the pixel range (negative on an inverted
  // axis for a move towards the last pixel).
  double ValueDelta(double pixels) const { return pixels * span_ / size_; }

  double PixelsPerUnit() const { return scale_; }  // negative on an inverted axis
  double Origin() const { return origin_; }        // pixel of the minimum
  double Middle() const { return middle_; }        // pixel of a collapsed range
  bool Collapsed() const { return collapsed_; }

 private:
  double minimum_;
  double span_;
  double origin_ = 0;
  double size_ = 1;  // pixels from minimum to maximum, negative on an inverted axis
  double scale_ = 0;
  double middle_ = 0;
  bool collapsed_ = false;
};

}  // namespace vantor
