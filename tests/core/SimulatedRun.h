// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of the regulation engine in this process, on the simulated card in virtual
// time, with the shipped settings: what a test of a corrector law needs without going
// through the headless tool. The run is the windowless runner's, as the tool's is.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "lesson-core/VirtualRun.h"
#include "regulation/Regulation.h"
#include "regulation/StartUp.h"
#include "regulation/Trial.h"
#include "simulation/ProcessModel.h"

namespace vantor::testing {

struct SimulatedRun {
  std::unique_ptr<ProcessModel> Process;
  int Button = 1;                                         // setpoint button: 1 step, 2 sine
  std::optional<std::string> Edit4, Edit5, Edit6, Edit7;  // frequency, step, mean, amplitude
  GainFields Gains{"0", "0", "0"};
  bool OpenLoop = false;
  CorrectorLaw* Law = nullptr;
  long Cycles = 1900;
  // Called at each cycle's message turn (1, 2, ...), where "Fin" or a window would act.
  std::function<void(RegulationState&, long)> OnTurn;
};

namespace detail {

inline std::string ShippedSettingsCopy() {
  namespace fs = std::filesystem;
  static const fs::path dir =
      fs::path(::testing::TempDir()) / ("vantor-settings-" + std::to_string(::getpid()));
  if (!fs::exists(dir / "sauvegarde")) {
    fs::create_directories(dir);
    fs::copy(fs::path(VANTOR_SOURCE_DIR) / "sauvegarde", dir / "sauvegarde",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  return dir.string() + "/";
}

}  // namespace detail

// The run's record as the window keeps it.
inline Trial RunSimulated(SimulatedRun& r) {
  SimulatedBench bench(std::move(r.Process), 0x330, 0x340);
  AcquisitionCard& card = bench.Open();
  auto state = std::make_unique<RegulationState>();
  RegulationState& s = *state;
  StartupFields start;
  StartUpOnCard(s, card, detail::ShippedSettingsCopy(), start);
  WindowlessRun run;
  run.OpenLoop = r.OpenLoop;
  run.Law = r.Law;
  run.Button = r.Button;
  run.Fields = start.Setpoint;
  run.Edit4 = r.Edit4;
  run.Edit5 = r.Edit5;
  run.Edit6 = r.Edit6;
  run.Edit7 = r.Edit7;
  run.Gains = r.Gains;
  run.Cycles = r.Cycles;
  run.OnTurn = [&r, &s](long turn) {
    if (r.OnTurn) r.OnTurn(s, turn);
  };
  WindowlessRunResult result;
  RunWithoutWindows(s, card, bench.Time(), run, result);
  EXPECT_EQ(result.Message, "");
  return TrialFromState(s, RunProcess{});
}

// Volts of entry k of a series.
inline double At(const Trial& t, int series, int k) {
  return t.At(series, k) / 100.0;
}

}  // namespace vantor::testing
