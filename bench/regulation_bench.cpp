// SPDX-License-Identifier: GPL-3.0-or-later
// Regulation engine: the corrector and recording work of one cycle, and whole runs on
// the simulated card in virtual time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "RecordingBus.h"
#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "lesson-core/FrequencyResponse.h"
#include "lesson-core/RelayAnalysis.h"
#include "regulation/IndustrialPidLaw.h"
#include "regulation/Regulation.h"
#include "regulation/Trial.h"
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

// The same cycle with the industrial PID: filtered derivative on the measurement,
// setpoint weight and back-calculation, the heaviest structure.
void BM_IndustrialPidCycle(benchmark::State& state) {
  auto s = std::make_unique<RegulationState>();
  PrepareState(*s);
  s->SetpointKind = "sin";
  s->SetpointPeriod = 2;
  s->Mean = 5;
  s->Amplitude = 2;
  IndustrialPidSettings settings;
  settings.FilterN = 5;
  settings.DerivativeOnMeasurement = true;
  settings.SetpointWeight = 0.5;
  settings.Windup = AntiWindup::BackCalculation;
  IndustrialPidLaw law(settings);
  s->Law = &law;
  law.BeginRun(*s);
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
BENCHMARK(BM_IndustrialPidCycle);

// A full record of a sine run (1,998 entries), for the two analyses of a kept run.
std::unique_ptr<Trial> FullSineRecord() {
  auto t = std::make_unique<Trial>();
  t->LastEntry = kRecordLastEntry;
  t->SetpointKind = "sin";
  t->SetpointFrequency = 0.2;
  for (int k = 1; k <= t->LastEntry; ++k) {
    const double w = 2 * 3.14159265358979 * (k % 100) / 100;
    const auto at = [&](int series) {
      return static_cast<std::size_t>(series * kRecordEntries + k);
    };
    t->Record[at(kSeriesSetpoint)] = ToHundredths(5 + 2 * std::sin(w));
    t->Record[at(kSeriesFeedback)] = ToHundredths(5 + std::sin(w - 1));
    t->Record[at(kSeriesError)] = ToHundredths(2 * std::sin(w) - std::sin(w - 1));
    t->Record[at(kSeriesOrder)] = std::sin(w) > 0 ? 700 : 300;
  }
  return t;
}

void BM_RelayAnalysisOfARecord(benchmark::State& state) {
  const auto run = FullSineRecord();
  for (auto _ : state) benchmark::DoNotOptimize(AnalyseRelay(*run, {2, 0.05, 5}).Ku);
}
BENCHMARK(BM_RelayAnalysisOfARecord)->Unit(benchmark::kMicrosecond);

void BM_FrequencyResponseOfARecord(benchmark::State& state) {
  const auto run = FullSineRecord();
  for (auto _ : state) benchmark::DoNotOptimize(AnalyseFrequencyResponse(*run).Gain);
}
BENCHMARK(BM_FrequencyResponseOfARecord)->Unit(benchmark::kMicrosecond);

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
