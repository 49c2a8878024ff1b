// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/TraceChart.h"

#include <QFontMetrics>

#include "regulation/PrintCaption.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {
const QColor kMarkerColor(255, 0, 128);
}  // namespace

TraceSeries SetUpTraceChart(TChart& chart) {
  chart.TitleText = "Consigne/Retour";
  chart.TitleAlignment = Qt::AlignRight;
  QFont title("Arial");
  title.setPixelSize(16);
  title.setUnderline(true);
  chart.TitleFont = title;
  chart.TitleColor = Qt::blue;
  chart.View3D = false;
  chart.BackWallColor = Qt::white;
  chart.BackWallTransparent = true;
  chart.LegendVisible = true;
  chart.LegendSwatchPercent = 55;
  chart.AllowZoom = true;
  chart.AnimatedZoom = true;
  chart.AnimatedZoomSteps = 8;
  chart.AllowPanning = TPanningMode::pmBoth;
  QFont axisFont("Arial");
  axisFont.setPixelSize(13);
  axisFont.setBold(false);
  // Both axes: a black title and a fixed range.
  auto fixedAxis = [&axisFont](TChartAxis& axis, const char* text, double min, double max) {
    axis.Title = text;
    axis.TitleFont = axisFont;
    axis.TitleColor = Qt::black;
    axis.Automatic = false;
    axis.SetMinMax(min, max);
  };
  TChartAxis& bottom = chart.BottomAxis();
  fixedAxis(bottom, "temps (seconde)", 0, 30);
  bottom.LabelsSeparation = 20;
  bottom.MinorTickCount = 4;
  TChartAxis& left = chart.LeftAxis();
  fixedAxis(left, "retour (volts)", 0, 10);
  // Labels at least one label height apart: the 0..10 V axis then reads in whole or half
  // volts instead of a crowded column of tenths.
  left.LabelsSeparation = 100;
  left.MinorTickCount = 9;
  left.MinorTickLength = 3;
  left.TickLength = 5;
  left.TicksDotted = true;
  TraceSeries s;
  s.Setpoint = chart.AddSeries("Series1", "Consigne", Qt::red, true);
  s.Feedback = chart.AddSeries("Series2", "Retour", Qt::blue, true);
  s.Mean = chart.AddSeries("Series3", "", Qt::black, false);
  s.ZeroX = chart.AddSeries("Series15", "zéro x", kMarkerColor, false);
  s.ZeroY = chart.AddSeries("Series17", "zéro y", kMarkerColor, false);
  return s;
}

void FillTraceSeries(const RecordPlot& plot, const TraceSeries& series) {
  series.Setpoint->Clear();
  series.Feedback->Clear();
  series.Mean->Clear();
  for (std::size_t k = 0; k < kPlotEntries; ++k) {
    const auto x = static_cast<double>(plot.X[k]);
    series.Setpoint->AddXY(x, static_cast<double>(plot.Setpoint[k]));
    series.Feedback->AddXY(x, static_cast<double>(plot.Feedback[k]));
    if (plot.HasMeanLine) series.Mean->AddXY(x, static_cast<double>(plot.MeanLine));
  }
}

void DrawTracePage(QPainter& painter, QPaintDevice& device, TChart& chart, int W, int H,
                   const std::vector<std::string>& captions) {
  chart.PrintResolution = -25;
  const TracePage page = ComputeTracePage(W, H);
  QFont font("Arial");
  font.setPointSize(10);
  painter.setFont(font);
  // One line for the run shown; one more per earlier run drawn over it.
  const QFontMetricsF metrics(font, &device);
  const int lineHeight = QFontMetrics(font, &device).lineSpacing();
  for (std::size_t i = 0; i < captions.size(); ++i)
    painter.drawText(QPointF(page.captionX, page.captionY + static_cast<int>(i) * lineHeight +
                                                metrics.ascent()),
                     ToQString(captions[i]));
  chart.PrintRect(painter,
                  QRect(QPoint(page.left, page.top), QPoint(page.right - 1, page.bottom - 1)));
}

}  // namespace vantor
