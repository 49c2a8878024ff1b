// SPDX-License-Identifier: GPL-3.0-or-later
// Lines written straight into an image: ends, rounding, clipping and when it applies.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "widgets/PixelWriter.h"

namespace vantor {
namespace {

int Count(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
  return n;
}

TEST(PixelWriterTest, LinesIncludeBothEndsAndOnePixelPerStepOfTheMajorAxis) {
  QImage image(20, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  PixelWriter px(image, QPoint(0, 0));
  const QRgb red = qRgb(255, 0, 0);
  px.Line(2, 3, 11, 6, red);  // x-major: ten pixels
  EXPECT_EQ(Count(image, red), 10);
  EXPECT_EQ(image.pixel(2, 3), red);
  EXPECT_EQ(image.pixel(11, 6), red);
  image.fill(Qt::white);
  px.Line(5, 15, 6, 2, red);  // y-major, drawn upwards: fourteen pixels, one per row
  EXPECT_EQ(Count(image, red), 14);
  EXPECT_EQ(image.pixel(5, 15), red);
  EXPECT_EQ(image.pixel(6, 2), red);
  image.fill(Qt::white);
  px.DottedLine(0, 1, 9, 1, red);  // one on, two off
  EXPECT_EQ(Count(image, red), 4);
  EXPECT_EQ(image.pixel(3, 1), red);
  EXPECT_NE(image.pixel(4, 1), red);
}

TEST(PixelWriterTest, ClipsAndWalksOnlyTheVisiblePartOfFarLines) {
  QImage image(50, 10, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  PixelWriter px(image, QPoint(10, 0));  // painter translated by 10 pixels
  px.SetClip(QRect(0, 0, 20, 10));       // image columns 10 to 29
  const QRgb blue = qRgb(0, 0, 255);
  px.Line(-1000000, 5, 1000000, 5, blue);
  px.Line(-1000000000, -1000000000, 1000000000, 1000000000, blue);
  EXPECT_EQ(image.pixel(9, 5), 0u);
  EXPECT_EQ(image.pixel(10, 5), blue);
  EXPECT_EQ(image.pixel(29, 5), blue);
  EXPECT_EQ(image.pixel(30, 5), 0u);
  EXPECT_EQ(image.pixel(10 + 3, 3), blue);  // the diagonal through the clip
  int outside = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 50; ++x)
      if ((x < 10 || x > 29) && image.pixel(x, y) != 0u) ++outside;
  EXPECT_EQ(outside, 0);
}

TEST(PixelWriterTest, OnlyForOneToOnePaintingIntoAnUnsharedImage) {
  QImage image(10, 10, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    EXPECT_TRUE(PixelWriter::For(painter).has_value());
    painter.translate(2, 3);
    EXPECT_TRUE(PixelWriter::For(painter).has_value());
    painter.scale(2, 2);
    EXPECT_FALSE(PixelWriter::For(painter).has_value());
    painter.resetTransform();
    painter.setClipRect(0, 0, 5, 5);
    EXPECT_FALSE(PixelWriter::For(painter).has_value());
  }
  QImage rgb16(10, 10, QImage::Format_RGB16);
  QPainter painter(&rgb16);
  EXPECT_FALSE(PixelWriter::For(painter).has_value());
}

}  // namespace
}  // namespace vantor
