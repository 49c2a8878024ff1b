// SPDX-License-Identifier: GPL-3.0-or-later
// What the live trace adds to one cycle of a run, offscreen: the main window's per-cycle
// hook hands the cycle to the "Tracé en direct" window, which draws it at once (the
// scrolling trace of the last 20 s and the time since "Début"), then the cycle's message
// turn, which finds nothing left to draw (counter turn_us). Compared with the same cycle
// while the window is closed.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "OffscreenBench.h"
#include "mainwindow/TrialsMenu.h"

namespace {

using namespace vantor;

// A main window whose record holds a damped step response with the order at its limit
// after the step.
struct Workstation : vantor::bench::ScratchMainWindow {
  vantor::bench::PaintCounter counter;

  Workstation() {
    for (int k = 1; k <= kRecordLastEntry; ++k) {
      const double t = std::max(0, k - 50) * 0.05;
      const double setpoint = k < 50 ? 0 : 6;
      const double feedback = k < 50 ? 0 : 6 * (1 - std::exp(-t) * std::cos(2 * t));
      Put(kSeriesSetpoint, k, setpoint);
      Put(kSeriesFeedback, k, feedback);
      // 1 V held against a load: the order never rests at 0 V.
      Put(kSeriesOrder, k, std::clamp(4 * (setpoint - feedback) + 1, -10.0, 10.0));
    }
    form1->Trials->LiveView()->View()->installEventFilter(&counter);
  }

  // One cycle as the run makes it, after entry k was recorded: the hook (before the
  // loop's wait for the end of the period), then the message turn (after it, where its
  // time lengthens the period).
  void Cycle(int k) {
    form1->State.RecordPos = k;
    // With `tinted`, 10-s stretches alternate with the feedback at the sensor's floor and
    // the order acting: the trace draws their ground under the curves.
    form1->State.FeedbackLimit =
        tinted && k % 400 < 200 ? SensorLimit::Floor : SensorLimit::None;
    form1->Events.CycleRecorded(form1->State);
    const auto start = std::chrono::steady_clock::now();
    QApplication::processEvents();
    turnSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  double turnSeconds = 0;
  bool tinted = false;
};

Workstation& Station() {
  static Workstation* w = new Workstation;  // kept to the end: Qt owns the windows
  return *w;
}

void RunCycles(benchmark::State& state, bool shown) {
  Workstation& w = Station();
  LiveTraceWindow& live = *w.form1->Trials->LiveView();
  w.tinted = shown && state.range(2) != 0;
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

// The live trace open at its first size, and maximised on a 1280 x 1024 screen; then with
// half of its 20 s on the tinted ground of a sensor limit.
void BM_CycleWithLiveTrace(benchmark::State& state) {
  RunCycles(state, true);
}
BENCHMARK(BM_CycleWithLiveTrace)
    ->Args({760, 460, 0})
    ->Args({1280, 990, 0})
    ->Args({760, 460, 1})
    ->Args({1280, 990, 1})
    ->Unit(benchmark::kMicrosecond);

// The same turn with the live trace closed: the hook only counts the cycle.
void BM_CycleWithoutLiveTrace(benchmark::State& state) {
  RunCycles(state, false);
}
BENCHMARK(BM_CycleWithoutLiveTrace)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return vantor::bench::OffscreenBenchMain(argc, argv);
}
