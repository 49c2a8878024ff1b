// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Page arithmetic of the viewers' printouts, in printer pixels: the margins, the help
// text's page rectangle and the size a wiring picture is printed at.
#include <optional>

namespace vantor {

// A rectangle by its edges; right and bottom are one past the last pixel.
struct PageRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const PageRect&, const PageRect&) = default;
};

// Side margin 5 % of the printable width W, top and bottom margin 4 % of the printable
// height H, each taken to the nearest integer, halves to the even neighbour.
struct PageMargins {
  int mx = 0, my = 0;
  friend bool operator==(const PageMargins&, const PageMargins&) = default;
};
PageMargins ViewerPageMargins(int W, int H);

// The help text's page rectangle: (mx, my) to (W − mx, H − my).
PageRect HelpPageRect(int W, int H);

// Where a picture of pw × ph pixels is printed on a page of W × H printer pixels: from
// the margins (mx, my), inside the available PW = W − 2·mx by PH = H − 2·my, keeping
// its proportions. A picture smaller in both directions is first enlarged (a landscape
// or square one to the full width, a portrait one to the full height); then a picture
// too wide is reduced to the full width, and one too high to the full height. The
// arithmetic is single precision, as the printout has always been computed, and the
// printed size is truncated to whole pixels. No placement for a picture without pixels
// (pw or ph not positive), which has no proportions to keep.
std::optional<PageRect> FitPictureToPage(int W, int H, int pw, int ph);

}  // namespace vantor
