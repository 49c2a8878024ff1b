// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of the regulation engine in this process, on the simulated card in virtual
// time, with the shipped settings: what a test of a corrector law needs without going
// through the headless tool.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "card/CardFactory.h"
#include "card/SimulatedCard.h"
#include "common/SettingsStore.h"
#include "lesson-core/CountedRunHost.h"
#include "regulation/Regulation.h"
#include "regulation/StartUp.h"
#include "regulation/Trial.h"
#include "simulation/Clock.h"
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

class CardAtHand : public StartUpObserver {
 public:
  explicit CardAtHand(AcquisitionCard& card) : card_(card) {}
  AcquisitionCard& OpenCard(std::int32_t, std::int32_t) override { return card_; }
  void StepDone(StartUpStep) override {}

 private:
  AcquisitionCard& card_;
};

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
  VirtualClock clock;
  SimulatedCard simulated(clock, std::move(r.Process), 0x330, 0x340);
  const std::unique_ptr<AcquisitionCard> card =
      OpenCard(CardChoice::OnBus(simulated), 0x330, 0x340);
  auto state = std::make_unique<RegulationState>();
  RegulationState& s = *state;
  StartupFields start;
  detail::CardAtHand opener(*card);
  RunStartUp(s, opener, detail::ShippedSettingsCopy(), start);
  if (r.OpenLoop) s.LoopMode = "Ouv";
  s.Law = r.Law;
  SetpointFields fields = start.Setpoint;
  const SetpointButtonResult pressed = PressSetpointButton(s, *card, r.Button);
  if (pressed.Edit5) fields.Edit5 = *pressed.Edit5;
  if (pressed.Edit4) fields.Edit4 = *pressed.Edit4;
  if (r.Edit4) fields.Edit4 = *r.Edit4;
  if (r.Edit5) fields.Edit5 = *r.Edit5;
  if (r.Edit6) fields.Edit6 = *r.Edit6;
  if (r.Edit7) fields.Edit7 = *r.Edit7;
  GainFields gains = r.Gains;
  ReadGains(s, gains);
  CountedRunHost host(s, clock, r.Cycles, fields);
  host.OnTurn = [&r, &s](long turn) {
    if (r.OnTurn) r.OnTurn(s, turn);
  };
  RunRegulation(s, *card, host);
  EXPECT_EQ(host.Message, "");
  return TrialFromState(s, pressed.Panel15Caption, "");
}

// Volts of entry k of a series.
inline double At(const Trial& t, int series, int k) {
  return t.At(series, k) / 100.0;
}

}  // namespace vantor::testing
