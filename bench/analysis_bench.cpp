// The analysis window's showing, offscreen: the three vertical ranges, the refill of
// 22 series with 1,901 points each (41,822 points), and the first paint of the ten
// charts, on a main window holding a recorded step response.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <memory>

#include "AnalysisMath.h"
#include "Clock.h"
#include "Dialogs.h"
#include "SimulatedCard.h"
#include "Uanalyse.h"
#include "Uvantorwin.h"

namespace {

using namespace vantor;

// Counts the paint events the ten charts receive.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// A main window started on the shipped settings (in a scratch copy) and the simulated
// card, its record holding 20 s of a damped step response, and the analysis window.
struct Workstation {
  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  DialogsScope scope{&dialogs};
  VirtualClock clock;
  SimulatedCard card{clock};
  std::unique_ptr<TForm1> form1;
  TForm2* form2 = nullptr;
  PaintCounter counter;

  Workstation() {
    const std::filesystem::path work(dir.path().toStdString());
    std::filesystem::copy(std::filesystem::path(VANTOR_SOURCE_DIR) / "sauvegarde",
                          work / "sauvegarde", std::filesystem::copy_options::recursive);
    std::filesystem::current_path(work);
    form1 =
        std::make_unique<TForm1>([this](std::uint16_t, std::uint16_t) -> PortBus& { return card; });
    form2 = new TForm2(*form1);
    form1->Form2 = form2;
    RegulationState& s = form1->State;
    auto put = [&s](int series, int k, double volts) {
      s.RunRecord[static_cast<std::size_t>(series * kRecordEntries + k)] =
          static_cast<std::int32_t>(std::lround(volts * 100));
    };
    for (int k = 50; k < 400; ++k) {
      const double t = (k - 50) * 0.05;
      const double feedback = 5 * (1 - std::exp(-t) * std::cos(2 * t));
      const double error = 5 - feedback;
      put(kSeriesSetpoint, k, 5);
      put(kSeriesFeedback, k, feedback);
      put(kSeriesError, k, error);
      put(kSeriesPTerm, k, 2 * error);
      put(kSeriesDTermRaw, k, k == 50 ? 20 : -0.2 * 5 * std::exp(-t));
      put(kSeriesITerm, k, 0.1 * t);
      put(kSeriesOrder, k, std::clamp(2 * error + 0.1 * t, -10.0, 10.0));
    }
    for (TChart* c : form2->ZoomOrder()) c->installEventFilter(&counter);
  }
  ~Workstation() { std::filesystem::current_path(std::filesystem::temp_directory_path()); }
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
  for (auto _ : state) benchmark::DoNotOptimize(ComputeAnalysisRanges(w.form1->State));
}
BENCHMARK(BM_ComputeRanges)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
