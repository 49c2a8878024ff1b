// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QImage>
#include <limits>

#include "lesson/LiveTraceView.h"

namespace vantor {
namespace {

// A record opened from a file may hold any 32-bit value: off the scale, the order is
// drawn pinned at the plot's top edge (no overflow on the way, which the sanitizer
// build catches), and the feedback at its bottom edge.
TEST(LiveTraceViewTest, ValuesAtTheLimitsOfARecordAreDrawnAtTheEdges) {
  LiveTraceView view;
  view.resize(700, 380);
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  for (int k = 0; k < 200; ++k) view.Push({k, 500, kMin, k % 2 ? kMax : kMin + 1});
  const QImage image = view.grab().toImage();
  // The feedback's blue line lies along the plot's bottom edge, across the run's width.
  auto longestRun = [&image](QRgb colour) {
    int best = 0;
    for (int y = 0; y < image.height(); ++y) {
      int count = 0;
      for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour;
      best = std::max(best, count);
    }
    return best;
  };
  EXPECT_GT(longestRun(qRgb(0, 0, 255)), 100);
}

}  // namespace
}  // namespace vantor
