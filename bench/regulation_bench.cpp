// SPDX-License-Identifier: GPL-3.0-or-later
// Regulation engine: the corrector and recording work of one cycle, and whole runs on
// the simulated card in virtual time.
#include <benchmark/benchmark.h>

#include <memory>

#include "RecordingBus.h"
#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "regulation/Regulation.h"
#include "simulation/DcMotorPosition.h"

namespace vantor {
namespace {

void PrepareState(RegulationState& s) {
  s.SamplePeriodMs = 50;
  s.StopRequested = 1;
  s.LoopMode = "fermee";
  s.ordremaxi = 10;
  s.ordremini = -10;
  s.finalech = 8;
  s.valmoymini = 2;
  s.valmoymaxi = 7;
  s.amplimaxi = 3;
  s.Kp = 2;
  s.Kd = 0.5L;
  s.Ki = 1;
}

// Setpoint, feedback conditioning, order, output count and the seven record stores of
// one cycle: everything the loop computes besides the card accesses.
void BM_CorrectorAndRecordCycle(benchmark::State& state) {
  auto s = std::make_unique<RegulationState>();
  PrepareState(*s);
  s->SetpointKind = "sin";
  s->SetpointPeriod = 2;
  s->Mean = 5;
  s->Amplitude = 2;
  RecordingBus bus;
  AD2var card(bus);
  std::int32_t counts = 1000;
  for (auto _ : state) {
    s->Setpoint = NextSetpoint(*s, card);
    ConditionFeedback(*s, counts);
    ComputeOrder(*s, s->Setpoint);
    benchmark::DoNotOptimize(OrderToCount(s->Order));
    RecordSample(*s);
    counts = (counts + 7) & 4095;
  }
}
BENCHMARK(BM_CorrectorAndRecordCycle);

class BenchHost : public LoopHost {
 public:
  BenchHost(RegulationState& s, int cycles) : s_(s), cycles_(cycles) {}
  void BeepAndMessage(const std::string&) override {}
  SetpointFields GetSetpointFields() override { return {"0.5", "6", "5", "2"}; }
  void SetSetpointFields(const SetpointFields&) override {}
  void SetRunControlsEnabled(bool) override {}
  void SetStatusText(const std::string&) override {}
  void SetGauges(std::int32_t, std::int32_t) override {}
  void ProcessMessagesOnce() override {
    if (++turns_ >= cycles_) s_.StopRequested = 1;
  }
  void PlotRecord() override {}

 private:
  RegulationState& s_;
  int cycles_;
  int turns_ = 0;
};

// A whole 2000-cycle step run (100 s of virtual time) on the simulated position motor,
// card initialisation included.
void BM_Run2000CyclesOnVirtualCard(benchmark::State& state) {
  auto s = std::make_unique<RegulationState>();
  for (auto _ : state) {
    *s = RegulationState{};
    PrepareState(*s);
    s->SetpointKind = "echelon";
    VirtualClock clock;
    SimulatedCard simulated(clock, std::make_unique<DcMotorPosition>());
    AD2var card(simulated);
    card.CardInit(0x330, 0x340);
    BenchHost host(*s, 2000);
    RunRegulation(*s, card, host);
    benchmark::DoNotOptimize(s->RunRecord[1998]);
  }
}
BENCHMARK(BM_Run2000CyclesOnVirtualCard)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantor

BENCHMARK_MAIN();
