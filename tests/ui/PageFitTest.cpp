// SPDX-License-Identifier: GPL-3.0-or-later
// Page arithmetic of the viewers' printouts: margins, the help page rectangle and the
// size and place of a printed wiring picture.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "docs/PageFit.h"

namespace vantor {
namespace {

TEST(PageFit, MarginsAreFiveAndFourPercentRoundedHalfToEven) {
  EXPECT_EQ(ViewerPageMargins(4950, 7000), (PageMargins{248, 280}));  // 247.5 -> 248
  EXPECT_EQ(ViewerPageMargins(4970, 7000), (PageMargins{248, 280}));  // 248.5 -> 248
  EXPECT_EQ(ViewerPageMargins(4930, 7000), (PageMargins{246, 280}));  // 246.5 -> 246
  EXPECT_EQ(ViewerPageMargins(4990, 6862), (PageMargins{250, 274}));  // 249.5, 274.48
  EXPECT_EQ(ViewerPageMargins(4961, 6863), (PageMargins{248, 275}));  // 248.05, 274.52
  EXPECT_EQ(HelpPageRect(4950, 7000), (PageRect{248, 280, 4702, 6720}));
  EXPECT_EQ(HelpPageRect(0, 0), (PageRect{0, 0, 0, 0}));
}

// On a page of 1000 × 2000 the margins are 50 and 80: 900 × 1840 available.
TEST(PageFit, PictureSmallerInBothDirectionsIsEnlarged) {
  // Portrait: to the full height.
  EXPECT_EQ(FitPictureToPage(1000, 2000, 300, 900), (PageRect{50, 80, 50 + 613, 80 + 1840}));
  // Landscape and square: to the full width.
  EXPECT_EQ(FitPictureToPage(1000, 2000, 400, 300), (PageRect{50, 80, 950, 80 + 675}));
  EXPECT_EQ(FitPictureToPage(1000, 2000, 100, 100), (PageRect{50, 80, 950, 980}));
  // Portrait whose full height would be too wide: back to the full width.
  EXPECT_EQ(FitPictureToPage(1000, 2000, 300, 400), (PageRect{50, 80, 950, 80 + 1200}));
  // Landscape on a landscape page (1800 × 920 available): full width, then too high,
  // so reduced to the full height.
  EXPECT_EQ(FitPictureToPage(2000, 1000, 400, 300), (PageRect{100, 40, 100 + 1226, 960}));
}

TEST(PageFit, PictureLargerInOneDirectionIsReducedKeepingProportions) {
  EXPECT_EQ(FitPictureToPage(1000, 2000, 1200, 600), (PageRect{50, 80, 950, 80 + 450}));
  EXPECT_EQ(FitPictureToPage(1000, 2000, 600, 3000), (PageRect{50, 80, 50 + 368, 1920}));
  // Larger in both: the tighter direction decides.
  EXPECT_EQ(FitPictureToPage(1000, 2000, 9000, 4000), (PageRect{50, 80, 950, 80 + 400}));
  // Exactly the available size stays as it is.
  EXPECT_EQ(FitPictureToPage(1000, 2000, 900, 1840), (PageRect{50, 80, 950, 1920}));
}

TEST(PageFit, APictureWithoutPixelsHasNoPlacement) {
  EXPECT_FALSE(FitPictureToPage(1000, 2000, 0, 0).has_value());
  EXPECT_FALSE(FitPictureToPage(1000, 2000, 100, 0).has_value());
  EXPECT_FALSE(FitPictureToPage(1000, 2000, 0, 100).has_value());
}

// Whatever the sizes, the printed picture starts at the margins, stays inside the
// available area, fills it in one direction and keeps its proportions within one pixel.
TEST(PageFit, AnyPictureFillsOneDirectionAndKeepsItsProportions) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> page(300, 12000), picture(1, 20000);
  for (int i = 0; i < 20000; ++i) {
    const int W = page(random), H = page(random), pw = picture(random), ph = picture(random);
    const PageMargins m = ViewerPageMargins(W, H);
    const int PW = W - 2 * m.mx, PH = H - 2 * m.my;
    const std::optional<PageRect> r = FitPictureToPage(W, H, pw, ph);
    ASSERT_TRUE(r.has_value());
    SCOPED_TRACE(testing::Message() << W << "x" << H << " picture " << pw << "x" << ph);
    EXPECT_EQ(r->left, m.mx);
    EXPECT_EQ(r->top, m.my);
    EXPECT_LE(r->Width(), PW);
    EXPECT_LE(r->Height(), PH);
    EXPECT_TRUE(r->Width() >= PW - 1 || r->Height() >= PH - 1);
    // Height the printed width calls for, against the printed height.
    const double expectedHeight = static_cast<double>(r->Width()) * ph / pw;
    const double expectedWidth = static_cast<double>(r->Height()) * pw / ph;
    EXPECT_TRUE(std::abs(expectedHeight - r->Height()) <= 1.01 ||
                std::abs(expectedWidth - r->Width()) <= 1.01);
  }
}

}  // namespace
}  // namespace vantor
