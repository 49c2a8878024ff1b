// What the live trace adds to one cycle of a run, offscreen: the main window's per-cycle
// hook hands the cycle to the "Tracé en direct" window, then the cycle's message turn
// paints it (the scrolling trace of the last 20 s and the time since "Début"). Compared
// with the same turn while the window is closed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>

#include "Clock.h"
#include "Dialogs.h"
#include "SimulatedCard.h"
#include "TrialsMenu.h"
#include "Uvantorwin.h"

namespace {

using namespace vantor;

class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// A main window on the shipped settings and the simulated card, its record holding a
// damped step response with the order at its limit after the step.
struct Workstation {
  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  DialogsScope scope{&dialogs};
  VirtualClock clock;
  SimulatedCard card{clock};
  std::unique_ptr<TForm1> form1;
  PaintCounter counter;

  Workstation() {
    const std::filesystem::path work(dir.path().toStdString());
    std::filesystem::copy(std::filesystem::path(VANTOR_SOURCE_DIR) / "sauvegarde",
                          work / "sauvegarde", std::filesystem::copy_options::recursive);
    std::filesystem::current_path(work);
    form1 =
        std::make_unique<TForm1>([this](std::uint16_t, std::uint16_t) -> PortBus& { return card; });
    RegulationState& s = form1->State;
    auto put = [&s](int series, int k, double volts) {
      s.RunRecord[static_cast<std::size_t>(series * kRecordEntries + k)] =
          static_cast<std::int32_t>(std::lround(volts * 100));
    };
    for (int k = 1; k <= kRecordLastEntry; ++k) {
      const double t = std::max(0, k - 50) * 0.05;
      const double feedback = k < 50 ? 0 : 6 * (1 - std::exp(-t) * std::cos(2 * t));
      put(kSeriesSetpoint, k, k < 50 ? 0 : 6);
      put(kSeriesFeedback, k, feedback);
      put(kSeriesOrder, k, std::clamp(4 * ((k < 50 ? 0 : 6) - feedback), -10.0, 10.0));
    }
    form1->Trials->LiveView()->View()->installEventFilter(&counter);
  }
  ~Workstation() { std::filesystem::current_path(std::filesystem::temp_directory_path()); }

  // One cycle as the run makes it, after entry k was recorded: the hook (before the
  // loop's wait for the end of the period), then the message turn (after it, where its
  // time lengthens the period).
  void Cycle(int k) {
    form1->State.RecordPos = k;
    form1->Trials->Cycle();
    const auto start = std::chrono::steady_clock::now();
    QApplication::processEvents();
    turnSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  double turnSeconds = 0;
};

Workstation& Station() {
  static Workstation* w = new Workstation;  // kept to the end: Qt owns the windows
  return *w;
}

void RunCycles(benchmark::State& state, bool shown) {
  Workstation& w = Station();
  LiveTraceWindow& live = *w.form1->Trials->LiveView();
  if (shown) {
    live.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    live.show();
    live.BeginRun();
  } else {
    live.hide();
  }
  QApplication::processEvents();
  const int before = w.counter.paints;
  w.turnSeconds = 0;
  int k = 0;
  for (auto _ : state) {
    k = k % kRecordLastEntry + 1;  // the trace keeps scrolling past 20 s
    w.Cycle(k);
  }
  state.counters["trace_paints_per_cycle"] =
      static_cast<double>(w.counter.paints - before) / static_cast<double>(state.iterations());
  state.counters["turn_us"] = w.turnSeconds * 1e6 / static_cast<double>(state.iterations());
  state.counters["trace_w"] = live.View()->width();
  state.counters["trace_h"] = live.View()->height();
  live.hide();
  QApplication::processEvents();
}

// The live trace open at its first size, and maximised on a 1280 x 1024 screen.
void BM_CycleWithLiveTrace(benchmark::State& state) {
  RunCycles(state, true);
}
BENCHMARK(BM_CycleWithLiveTrace)
    ->Args({760, 460})
    ->Args({1280, 990})
    ->Unit(benchmark::kMicrosecond);

// The same turn with the live trace closed: the hook only counts the cycle.
void BM_CycleWithoutLiveTrace(benchmark::State& state) {
  RunCycles(state, false);
}
BENCHMARK(BM_CycleWithoutLiveTrace)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
