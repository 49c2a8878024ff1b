// SPDX-License-Identifier: GPL-3.0-or-later
#include "docs/PageFit.h"

#include "common/Numbers.h"

namespace vantor {

PageMargins ViewerPageMargins(int W, int H) {
  PageMargins m;
  m.mx = static_cast<int>(RoundHalfEven(static_cast<long double>(W) * 5 / 100));
  m.my = static_cast<int>(RoundHalfEven(static_cast<long double>(H) * 4 / 100));
  return m;
}

PageRect HelpPageRect(int W, int H) {
  const PageMargins m = ViewerPageMargins(W, H);
  return PageRect{m.mx, m.my, W - m.mx, H - m.my};
}

std::optional<PageRect> FitPictureToPage(int W, int H, int pw, int ph) {
  if (pw <= 0 || ph <= 0) return std::nullopt;
  const PageMargins m = ViewerPageMargins(W, H);
  const float PW = static_cast<float>(W - 2 * m.mx);
  const float PH = static_cast<float>(H - 2 * m.my);
  float w = static_cast<float>(pw);
  float h = static_cast<float>(ph);
  const float r = w / h;
  if (w < PW && h < PH) {
    if (w >= h) {
      w = PW;
      h = w / r;
    } else {
      h = PH;
      w = h * r;
    }
  }
  if (w > PW) {
    w = PW;
    h = w / r;
  }
  if (h > PH) {
    h = PH;
    w = h * r;
  }
  return PageRect{m.mx, m.my, m.mx + static_cast<int>(w), m.my + static_cast<int>(h)};
}

}  // namespace vantor
