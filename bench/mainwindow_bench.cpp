// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated workstation as a student uses it, timed: start-up to the window shown,
// 400 real-time cycles of a step run with the window shown (offscreen), and resident
// memory after the run. Plain timing program; exit status 1 when a target is missed.
//   QT_QPA_PLATFORM=offscreen build/bench/mainwindow_bench
// With --trace-en-direct the run is made with "Essais" > "Tracé en direct" open.
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Windows.h"
#include "card/SimulatedCard.h"
#include "mainwindow/TrialsMenu.h"
#include "simulation/Clock.h"

namespace {

using Steady = std::chrono::steady_clock;

// Timestamps the start of every cycle (counter 1 programmed in mode 0) and asks the
// run to stop once enough periods have been seen.
class CycleTimingBus : public vantor::PortBus {
 public:
  CycleTimingBus(vantor::PortBus& inner, int periods) : inner_(inner), periods_(periods) {}
  std::uint8_t PortRead(std::uint16_t port) override { return inner_.PortRead(port); }
  void PortWrite(std::uint16_t port, std::uint8_t value) override {
    if (port == 0x333 && value == 0x70) {
      starts.push_back(Steady::now());
      if (static_cast<int>(starts.size()) > periods_ && stop) *stop = 1;
    }
    inner_.PortWrite(port, value);
  }
  std::vector<Steady::time_point> starts;
  std::int32_t* stop = nullptr;

 private:
  vantor::PortBus& inner_;
  int periods_;
};

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const bool liveTrace = argc > 1 && std::string(argv[1]) == "--trace-en-direct";
  namespace fs = std::filesystem;
  const fs::path work = fs::temp_directory_path() / "vantor-mainwindow-bench";
  fs::remove_all(work);
  fs::create_directories(work);
  fs::copy(fs::path(VANTOR_SOURCE_DIR) / "sauvegarde", work / "sauvegarde",
           fs::copy_options::recursive);
  fs::current_path(work);

  const auto t0 = Steady::now();
  QApplication app(argc, argv);
  vantor::SetUpApplication(app);
  vantor::RealClock clock;
  vantor::SimulatedCard card(clock);
  constexpr int kPeriods = 400;
  CycleTimingBus bus(card, kPeriods);
  auto windows = vantor::CreateWindows(vantor::IsaCardOpener(bus));
  vantor::TForm1& form = *windows.Form1;
  form.show();
  QApplication::processEvents();
  const double startupMs = std::chrono::duration<double, std::milli>(Steady::now() - t0).count();

  if (liveTrace) {
    form.Trials->Tracendirect1->trigger();
    QApplication::processEvents();
  }
  bus.stop = &form.State.StopRequested;
  form.Button1->click();  // "Echelon"
  form.Edit1->setText("1");
  form.Button5->click();  // "Début": returns after kPeriods cycles

  std::vector<double> periods;
  for (std::size_t i = 1; i < bus.starts.size(); ++i)
    periods.push_back(
        std::chrono::duration<double, std::milli>(bus.starts[i] - bus.starts[i - 1]).count());
  if (periods.size() < kPeriods) {
    std::fprintf(stderr, "only %zu periods measured\n", periods.size());
    return 1;
  }
  periods.resize(kPeriods);
  double sum = 0;
  for (double p : periods) sum += p;
  const double mean = sum / kPeriods;
  std::vector<double> sorted = periods;
  std::sort(sorted.begin(), sorted.end());
  const double p99 = sorted[static_cast<std::size_t>(0.99 * (kPeriods - 1))];
  const long rssKb = ResidentKb();

  std::printf("start-up to window shown: %.1f ms (target < 300 ms)\n", startupMs);
  std::printf("live trace: %s\n", liveTrace ? "open" : "closed");
  std::printf(
      "%d real-time cycles: mean period %.3f ms (target 50 +/- 0.2), min %.3f, "
      "99th percentile %.3f ms (target < 52), max %.3f\n",
      kPeriods, mean, sorted.front(), p99, sorted.back());
  std::printf("resident memory after the run: %.1f MB (target < 120 MB)\n", rssKb / 1024.0);
  const bool ok = startupMs < 300 && std::abs(mean - 50) <= 0.2 && p99 < 52 && rssKb / 1024.0 < 120;
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(work);
  return ok ? 0 : 1;
}
