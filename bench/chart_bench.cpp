// SPDX-License-Identifier: GPL-3.0-or-later
// Chart drawing speed, with Qt Charts as the peer: the analysis window's load, ten
// 700 x 200 charts holding 22 series of 1,901 points in all, rendered off-screen into
// images; then the same after refilling all 22 series.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "OffscreenBench.h"
#include "widgets/TChart.h"

namespace {

constexpr int kCharts = 10;
constexpr int kPoints = 1901;
constexpr int kWidth = 700, kHeight = 200;
// Series per chart as the analysis window has them: 3 + 2 x 8 + 3 = 22.
constexpr int kSeriesPerChart[kCharts] = {3, 2, 2, 2, 2, 2, 2, 2, 2, 3};

// Two precomputed data sets, used in turn, so a refill measures the charts, not sin().
constexpr int kSeries = 22;
std::array<std::vector<double>, 2> MakeValues() {
  std::array<std::vector<double>, 2> sets{std::vector<double>(kSeries * kPoints),
                                          std::vector<double>(kSeries * kPoints)};
  for (int s = 0; s < kSeries; ++s)
    for (int k = 0; k < kPoints; ++k) {
      const double phase = k * 0.05 * (1 + s * 0.1);
      sets[0][s * kPoints + k] = 4 * std::sin(phase) * std::exp(-k * 0.0005);
      sets[1][s * kPoints + k] = 4 * std::cos(phase) * std::exp(-k * 0.0007);
    }
  return sets;
}
const std::vector<double>& Values(int set) {
  static const std::array<std::vector<double>, 2> sets = MakeValues();
  return sets[set & 1];
}
double Value(int series, int k, int round) {
  return Values(round)[series * kPoints + k];
}

const QColor kColours[] = {Qt::red, Qt::blue, Qt::black};

struct VantorCharts {
  std::vector<std::unique_ptr<vantor::TChart>> charts;
  QImage image{kWidth, kHeight, QImage::Format_RGB32};

  VantorCharts() {
    for (int c = 0; c < kCharts; ++c) {
      auto chart = std::make_unique<vantor::TChart>();
      chart->resize(kWidth, kHeight);
      chart->LegendVisible = false;
      chart->MarginTop = chart->MarginBottom = 0;
      chart->BottomAxis().SetMinMax(0, 95);
      chart->BottomAxis().Labels = false;
      chart->BottomAxis().TickLength = 0;
      chart->BottomAxis().MinorTickLength = 0;
      chart->LeftAxis().SetMinMax(-5, 5);
      chart->LeftAxis().Labels = false;
      chart->LeftAxis().Title = QStringLiteral("ordre proportionnel");
      chart->Color = Qt::white;
      for (int s = 0; s < kSeriesPerChart[c]; ++s)
        chart->AddSeries(QString("S%1").arg(s), QString(), kColours[s % 3], false)
            ->Reserve(kPoints);
      charts.push_back(std::move(chart));
    }
    Fill(0);
  }
  void Fill(int round) {
    int index = 0;
    for (auto& chart : charts)
      for (int s = 0; s < chart->SeriesCount(); ++s, ++index) {
        vantor::TFastLineSeries* series = chart->SeriesAt(s);
        series->Clear();
        double t = 0;
        for (int k = 0; k < kPoints; ++k, t += 0.05) series->AddXY(t, Value(index, k, round));
      }
  }
  void Draw() {
    for (auto& chart : charts) {
      QPainter painter(&image);
      chart->Render(painter, chart->size());
    }
  }
};

struct QtCharts {
  std::vector<std::unique_ptr<QChartView>> views;
  std::vector<std::vector<QLineSeries*>> series;
  QImage image{kWidth, kHeight, QImage::Format_RGB32};
  QList<QPointF> points;

  QtCharts() {
    points.reserve(kPoints);
    for (int c = 0; c < kCharts; ++c) {
      auto* chart = new QChart;
      chart->legend()->hide();
      auto* x = new QValueAxis;
      auto* y = new QValueAxis;
      x->setRange(0, 95);
      x->setLabelsVisible(false);
      y->setRange(-5, 5);
      y->setLabelsVisible(false);
      y->setTitleText(QStringLiteral("ordre proportionnel"));
      chart->addAxis(x, Qt::AlignBottom);
      chart->addAxis(y, Qt::AlignLeft);
      series.emplace_back();
      for (int s = 0; s < kSeriesPerChart[c]; ++s) {
        auto* line = new QLineSeries;
        line->setColor(kColours[s % 3]);
        chart->addSeries(line);
        line->attachAxis(x);
        line->attachAxis(y);
        series.back().push_back(line);
      }
      auto view = std::make_unique<QChartView>(chart);
      view->setRenderHint(QPainter::Antialiasing, false);
      view->resize(kWidth, kHeight);
      view->show();  // Qt Charts lays a chart out only once its view is shown
      views.push_back(std::move(view));
    }
    Fill(0);
  }
  void Fill(int round) {
    int index = 0;
    for (auto& chartSeries : series)
      for (QLineSeries* line : chartSeries) {
        points.clear();
        double t = 0;
        for (int k = 0; k < kPoints; ++k, t += 0.05)
          points.append(QPointF(t, Value(index, k, round)));
        line->replace(points);  // the fastest way Qt Charts offers to refill a series
        ++index;
      }
    QCoreApplication::processEvents();  // lets the charts take the new points in
  }
  void Draw() {
    for (auto& view : views) {
      QPainter painter(&image);
      view->render(&painter);
    }
  }
};

void BM_Vantor_Draw10ChartsNoSeries(benchmark::State& state) {
  VantorCharts charts;
  for (auto& chart : charts.charts)
    for (int s = 0; s < chart->SeriesCount(); ++s) chart->SeriesAt(s)->Clear();
  for (auto _ : state) {
    charts.Draw();
    benchmark::DoNotOptimize(charts.image.constBits());
  }
}
BENCHMARK(BM_Vantor_Draw10ChartsNoSeries)->Unit(benchmark::kMillisecond);

void BM_Vantor_Draw10Charts(benchmark::State& state) {
  VantorCharts charts;
  for (auto _ : state) {
    charts.Draw();
    benchmark::DoNotOptimize(charts.image.constBits());
  }
}

void BM_Vantor_RefillAndDraw10Charts(benchmark::State& state) {
  VantorCharts charts;
  int round = 0;
  for (auto _ : state) {
    charts.Fill(++round);
    charts.Draw();
    benchmark::DoNotOptimize(charts.image.constBits());
  }
}

void BM_QtCharts_Draw10Charts(benchmark::State& state) {
  QtCharts charts;
  for (auto _ : state) {
    charts.Draw();
    benchmark::DoNotOptimize(charts.image.constBits());
  }
}

void BM_QtCharts_RefillAndDraw10Charts(benchmark::State& state) {
  QtCharts charts;
  int round = 0;
  for (auto _ : state) {
    charts.Fill(++round);
    charts.Draw();
    benchmark::DoNotOptimize(charts.image.constBits());
  }
}

BENCHMARK(BM_Vantor_Draw10Charts)->Unit(benchmark::kMillisecond)->Repetitions(9)->UseRealTime();
BENCHMARK(BM_Vantor_RefillAndDraw10Charts)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->UseRealTime();
BENCHMARK(BM_QtCharts_Draw10Charts)->Unit(benchmark::kMillisecond)->Repetitions(9)->UseRealTime();
BENCHMARK(BM_QtCharts_RefillAndDraw10Charts)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return vantor::bench::OffscreenBenchMain(argc, argv);
}
