// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A host without windows for a run of the engine: it keeps the setpoint fields and the
// last message, shows nothing, and clicks "Fin" in the message turn of the last cycle
// asked for, or earlier when StopEarly says so. The periods are measured on the clock of
// the card it runs on (virtual time for the headless tool and the predictions). Qt-free.
#include <functional>
#include <string>
#include <utility>

#include "regulation/Regulation.h"
#include "simulation/Clock.h"

namespace vantor {

class CountedRunHost : public LoopHost {
 public:
  CountedRunHost(RegulationState& s, Clock& clock, long cycles, SetpointFields fields)
      : Fields(std::move(fields)), s_(s), clock_(clock), cycles_(cycles) {}

  void BeepAndMessage(const std::string& text) override { Message = text; }
  SetpointFields GetSetpointFields() override { return Fields; }
  void SetSetpointFields(const SetpointFields& f) override { Fields = f; }
  void SetRunControlsEnabled(bool) override {}
  void SetStatusText(const std::string&) override {}
  void SetGauges(std::int32_t, std::int32_t) override {}
  void ProcessMessagesOnce() override {
    ++turns_;
    if (OnTurn) OnTurn(turns_);
    if (turns_ >= cycles_ || (StopEarly && StopEarly())) s_.StopRequested = 1;
  }
  void PlotRecord() override {}
  double Seconds() override { return clock_.Now(); }
  bool RealTimeWanted() const override { return RealTime; }

  SetpointFields Fields;
  std::string Message;  // the last message the run gave ("Entrer une consigne")
  bool RealTime = false;
  // Asked at each message turn after OnTurn: true ends the run there.
  std::function<bool()> StopEarly;
  // Called at each message turn (1, 2, ...), where "Fin" or a window would act.
  std::function<void(long)> OnTurn;

 private:
  RegulationState& s_;
  Clock& clock_;
  long cycles_;
  long turns_ = 0;
};

}  // namespace vantor
