// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the window benchmarks: the offscreen platform, a count of the paints a widget
// receives, and a main window started on the shipped settings (in a scratch copy) and the
// simulated card in virtual time, with scripted dialogs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>

#include "ScriptedDialogs.h"
#include "card/SimulatedCard.h"
#include "mainwindow/Uvantorwin.h"
#include "simulation/Clock.h"
#include "widgets/Dialogs.h"

namespace vantor::bench {

class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct ScratchMainWindow {
  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  DialogsScope scope{&dialogs};
  VirtualClock clock;
  SimulatedCard card{clock};
  std::unique_ptr<TForm1> form1;

  ScratchMainWindow() {
    const std::filesystem::path work(dir.path().toStdString());
    std::filesystem::copy(std::filesystem::path(VANTOR_SOURCE_DIR) / "sauvegarde",
                          work / "sauvegarde", std::filesystem::copy_options::recursive);
    std::filesystem::current_path(work);
    form1 = std::make_unique<TForm1>(IsaCardOpener(card));
  }
  ~ScratchMainWindow() { std::filesystem::current_path(std::filesystem::temp_directory_path()); }
  ScratchMainWindow(const ScratchMainWindow&) = delete;
  ScratchMainWindow& operator=(const ScratchMainWindow&) = delete;

  // Stores `volts` at entry k of a series of the run record, as the loop would.
  void Put(int series, int k, double volts) {
    form1->State.RunRecord[static_cast<std::size_t>(series * kRecordEntries + k)] =
        ToHundredths(volts);
  }
};

// main() of a window benchmark: offscreen unless a platform is named.
inline int OffscreenBenchMain(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace vantor::bench
