// SPDX-License-Identifier: GPL-3.0-or-later
// What the chart draws: series order and colours, the dense-series envelope, and the
// chart printed into a rectangle of a PDF page.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>

#include "ChartTestSupport.h"
#include "widgets/Printer.h"
#include "widgets/TChart.h"

namespace vantor {
namespace {

QImage Rendered(TChart& chart) {
  QImage image(chart.size(), QImage::Format_RGB32);
  QPainter painter(&image);
  chart.Render(painter, chart.size());
  return image;
}

int CountColour(const QImage& image, const QRect& area, QColor colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixelColor(x, y) == colour) ++count;
  return count;
}

TEST(ChartDraw, SeriesAreDrawnInOrderLaterOnesOnTop) {
  TChart chart;
  testing::SetUpTrace(chart);
  for (int k = 0; k <= 30; ++k) {
    chart.Series("Series1")->AddXY(k, 5);
    chart.Series("Series2")->AddXY(k, 5);
  }
  const QImage image = Rendered(chart);
  const QRect plot = chart.ChartRect();
  const int y = chart.LeftAxis().CalcPosValue(5);
  EXPECT_EQ(image.pixelColor(plot.center().x(), y), QColor(Qt::blue));
  EXPECT_EQ(CountColour(image, plot, Qt::red), 0);
  chart.Series("Series2")->Clear();
  EXPECT_EQ(Rendered(chart).pixelColor(plot.center().x(), y), QColor(Qt::red));
}

TEST(ChartDraw, DenseSeriesEnvelopeCoversExactlyThePixelsOfTheFullPolyline) {
  TChart chart;
  chart.resize(420, 200);
  chart.LegendVisible = false;
  chart.BottomAxis().SetMinMax(0, 95);
  chart.LeftAxis().SetMinMax(-1.5, 1.5);
  TFastLineSeries* s = chart.AddSeries("Series1", "Retour", Qt::blue);
  unsigned noise = 12345;
  for (int k = 0; k <= 1900; ++k) {
    noise = noise * 1103515245u + 12345u;
    const double jitter = ((noise >> 16) % 1000) / 1000.0 - 0.5;
    s->AddXY(k * 0.05, std::sin(k * 0.05) + 0.4 * jitter);
  }
  ASSERT_GT(s->Count(), chart.ChartRect().width());
  chart.ReducePoints = true;
  const QImage reduced = Rendered(chart);
  chart.ReducePoints = false;
  const QImage full = Rendered(chart);
  EXPECT_GT(CountColour(full, chart.ChartRect(), Qt::blue), 1000);
  EXPECT_TRUE(reduced == full);

  // Zoomed in: only the visible stretch is drawn, still through the plot's full width.
  chart.BottomAxis().SetMinMax(40, 41);
  chart.ReducePoints = true;
  const QImage zoomed = Rendered(chart);
  const QRect plot = chart.ChartRect();
  EXPECT_GT(CountColour(zoomed, QRect(plot.left() + 1, plot.top(), 3, plot.height()), Qt::blue), 0);
  EXPECT_GT(CountColour(zoomed, QRect(plot.right() - 3, plot.top(), 3, plot.height()), Qt::blue),
            0);
}

bool HasTool(const char* name) {
  return !QStandardPaths::findExecutable(name).isEmpty();
}

QString RunTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(ChartDraw, PrintedIntoAPageRectangleAsVectorTextAndLines) {
  if (!HasTool("pdftotext") || !HasTool("pdftoppm")) GTEST_SKIP() << "poppler-utils missing";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pdf = dir.filePath("trace.pdf");

  TChart chart;
  testing::SetUpTrace(chart);
  chart.PrintResolution = -25;
  for (int k = 0; k <= 600; ++k)
    chart.Series("Series1")->AddXY(k * 0.05, 5 + 4 * std::sin(k * 0.05));

  Printer printer;
  printer.SetOutputPdf(pdf);
  printer.SetOrientation(TPrinterOrientation::poPortrait);
  printer.BeginDoc();
  const int W = printer.PageWidth(), H = printer.PageHeight();
  const int mx = W * 20 / 100, my = H * 10 / 100;
  const QRect target(QPoint(mx, 2 * my), QPoint(W - mx, 2 * my + (H - 2 * my) / 2));
  chart.PrintRect(printer.Canvas(), target);
  printer.EndDoc();

  const QString text = RunTool("pdftotext", {pdf, "-"});
  EXPECT_TRUE(text.contains("Consigne/Retour")) << text.toStdString();
  EXPECT_TRUE(text.contains("temps (seconde)")) << text.toStdString();
  EXPECT_TRUE(text.contains("retour (volts)")) << text.toStdString();
  EXPECT_TRUE(text.contains("Retour")) << text.toStdString();

  // Rendered at 40 dpi, the red curve lies inside the target rectangle and nowhere else.
  RunTool("pdftoppm", {"-r", "40", "-png", "-singlefile", pdf, dir.filePath("page")});
  QImage page(dir.filePath("page.png"));
  ASSERT_FALSE(page.isNull());
  // The page image covers the whole paper; the printable area starts at the margins.
  const QRectF paint = printer.Device().pageLayout().paintRectPixels(printer.Device().resolution());
  const double sx =
      static_cast<double>(page.width()) /
      printer.Device().pageLayout().fullRectPixels(printer.Device().resolution()).width();
  const QRect onPage((target.left() + paint.left()) * sx, (target.top() + paint.top()) * sx,
                     target.width() * sx, target.height() * sx);
  int inside = 0, outside = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const QColor c = page.pixelColor(x, y);
      const bool reddish = c.red() > 180 && c.green() < 120 && c.blue() < 120;
      if (!reddish) continue;
      (onPage.adjusted(-1, -1, 1, 1).contains(x, y) ? inside : outside)++;
    }
  EXPECT_GT(inside, 50);
  EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace vantor
