// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window's showing, offscreen: the three vertical ranges, the refill of
// 22 series with 1,901 points each (41,822 points), and the first paint of the ten
// charts, on a main window holding a recorded step response.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "OffscreenBench.h"
#include "analysis/Uanalyse.h"
#include "mainwindow/TrialsMenu.h"
#include "regulation/AnalysisMath.h"

namespace {

using namespace vantor;

// A main window whose record holds 20 s of a damped step response, and the analysis
// window.
struct Workstation : vantor::bench::ScratchMainWindow {
  TForm2* form2 = nullptr;
  vantor::bench::PaintCounter counter;

  Workstation() {
    form2 = new TForm2(*form1);
    form1->Form2 = form2;
    for (int k = 50; k < 400; ++k) {
      const double t = (k - 50) * 0.05;
      const double feedback = 5 * (1 - std::exp(-t) * std::cos(2 * t));
      const double error = 5 - feedback;
      Put(kSeriesSetpoint, k, 5);
      Put(kSeriesFeedback, k, feedback);
      Put(kSeriesError, k, error);
      Put(kSeriesPTerm, k, 2 * error);
      Put(kSeriesDTermRaw, k, k == 50 ? 20 : -0.2 * 5 * std::exp(-t));
      Put(kSeriesITerm, k, 0.1 * t);
      Put(kSeriesOrder, k, std::clamp(2 * error + 0.1 * t, -10.0, 10.0));
    }
    // The run ends: it becomes the run the main window shows.
    form1->Bench().SetJournalRoot(dir.path().toStdString() + "/essais");
    form1->Events.Ended(form1->State);
    for (TChart* c : form2->ZoomOrder()) c->installEventFilter(&counter);
  }
};

Workstation& Station() {
  static Workstation* w = new Workstation;  // kept to the end: Qt owns the windows
  return *w;
}

// The whole showing: ranges, refill, and the first paint of the window.
void BM_ShowAnalysisWindow(benchmark::State& state) {
  Workstation& w = Station();
  int paints = 0;
  for (auto _ : state) {
    const int before = w.counter.paints;
    const auto start = std::chrono::steady_clock::now();
    w.form2->show();
    QApplication::processEvents();
    const auto end = std::chrono::steady_clock::now();
    paints += w.counter.paints - before;
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    w.form2->hide();
    QApplication::processEvents();
  }
  state.counters["chart_paints_per_showing"] =
      static_cast<double>(paints) / static_cast<double>(state.iterations());
  state.counters["points"] = static_cast<double>(22 * kPlotEntries);
  state.counters["chart_w"] = w.form2->Chart2->width();
  state.counters["chart_h"] = w.form2->Chart2->height();
}
BENCHMARK(BM_ShowAnalysisWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

// The window's own work at a showing, without painting: ranges, axes and refill.
void BM_RangesAndRefill(benchmark::State& state) {
  Workstation& w = Station();
  for (auto _ : state) {
    w.form2->FormShow();
    benchmark::DoNotOptimize(w.form2->FastLineSeries15->Count());
  }
}
BENCHMARK(BM_RangesAndRefill)->Unit(benchmark::kMicrosecond);

// The three ranges alone: one pass over 7 x 1,901 record entries.
void BM_ComputeRanges(benchmark::State& state) {
  Workstation& w = Station();
  for (auto _ : state) benchmark::DoNotOptimize(ComputeAnalysisRanges(w.form1->ShownRun()));
}
BENCHMARK(BM_ComputeRanges)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return vantor::bench::OffscreenBenchMain(argc, argv);
}
