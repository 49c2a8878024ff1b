// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson-core/VirtualRun.h"

#include <exception>
#include <map>
#include <utility>
#include <vector>

#include "card/CardFactory.h"
#include "common/VantorError.h"
#include "lesson-core/CountedRunHost.h"
#include "simulation/IdentifiedModel.h"
#include "simulation/ProcessRegistry.h"

namespace vantor {

namespace {

// The start-up's card is the one already open; the steps show nothing.
class CardAtHand : public StartUpObserver {
 public:
  explicit CardAtHand(AcquisitionCard& card) : card_(card) {}
  AcquisitionCard& OpenCard(std::int32_t, std::int32_t) override { return card_; }
  void StepDone(StartUpStep) override {}

 private:
  AcquisitionCard& card_;
};

}  // namespace

SimulatedBench::SimulatedBench(std::unique_ptr<ProcessModel> process, std::uint16_t adr1,
                               std::uint16_t adr2, Clock* clock)
    : clock_(clock != nullptr ? *clock : virtual_),
      simulated_(clock_, std::move(process), adr1, adr2),
      adr1_(adr1),
      adr2_(adr2) {}

AcquisitionCard& SimulatedBench::Open(PortBus* through) {
  card_ = OpenCard(CardChoice::OnBus(through != nullptr ? *through : simulated_), adr1_, adr2_);
  return *card_;
}

void StartUpOnCard(RegulationState& s, AcquisitionCard& card, const std::string& folder,
                   StartupFields& out) {
  CardAtHand observer(card);
  RunStartUp(s, observer, folder, out);
}

void RunWithoutWindows(RegulationState& s, AcquisitionCard& card, Clock& clock,
                       const WindowlessRun& run, WindowlessRunResult& result,
                       const RunEvents& events) {
  if (run.Output1Active) card.WriteOutput1(kFullScaleCount);
  if (run.OpenLoop) s.LoopMode = "Ouv";
  s.Law = run.Law;
  SetpointFields fields = run.Fields;
  if (run.Button != 0) {
    const SetpointButtonResult pressed = PressSetpointButton(s, card, run.Button);
    if (pressed.Edit5) fields.Edit5 = *pressed.Edit5;
    if (pressed.Edit4) fields.Edit4 = *pressed.Edit4;
  }
  if (run.Edit4) fields.Edit4 = *run.Edit4;
  if (run.Edit5) fields.Edit5 = *run.Edit5;
  if (run.Edit6) fields.Edit6 = *run.Edit6;
  if (run.Edit7) fields.Edit7 = *run.Edit7;
  result.TypedFields = result.Fields = fields;
  if (run.Gains) result.TypedGains = result.Gains = *run.Gains;

  CountedRunHost host(s, clock, run.Cycles, fields);
  host.RealTime = run.RealTime;
  host.OnTurn = run.OnTurn;
  host.StopEarly = run.StopEarly;
  try {
    if (run.Gains) ReadGains(s, result.Gains);
    if (run.Starting) run.Starting();
    RunRegulation(s, card, host, events);
  } catch (...) {
    result.Fields = host.Fields;
    result.Message = host.Message;
    throw;
  }
  result.Fields = host.Fields;
  result.Message = host.Message;
}

std::unique_ptr<Trial> RunInVirtualTime(const RegulationState& settings,
                                        std::unique_ptr<ProcessModel> process,
                                        const std::string& stepText, long cycles) {
  const std::string name = process->Description();
  SimulatedBench bench(std::move(process));
  bench.Simulated().ResetProcess();
  AcquisitionCard& card = bench.Open();
  card.Initialise();
  card.PutOutputsAtRest();

  auto state = std::make_unique<RegulationState>(settings);  // 56 kB: not on the stack
  RegulationState& s = *state;
  s.StopRequested = 1;
  s.PrevDTerm = 0;
  s.DTerm = 0;
  WindowlessRun run;
  run.Law = settings.Law;
  run.Button = 1;
  run.Edit5 = stepText;
  run.Cycles = cycles;
  WindowlessRunResult result;
  RunWithoutWindows(s, card, bench.Time(), run, result);
  if (!result.Message.empty()) throw VantorError(result.Message);
  return std::make_unique<Trial>(TrialFromState(s, RunProcess{name, {}, {}}));
}

std::unique_ptr<ProcessModel> ProcessOfModel(const ProcessModelFit& model, double restVolts,
                                             const Trial* identified) {
  const ProcessKind& kind = IdentifiedModelKind(model.Integrating, model.Order);
  const std::map<std::string, double> fitted = {{"gain", model.K},
                                                {"constante-temps", model.T},
                                                {"retard", model.Delay},
                                                {"ordre", static_cast<double>(model.Order)}};
  std::vector<std::pair<std::string, double>> values;
  for (const std::string& name : kind.ModelValues) values.emplace_back(name, fitted.at(name));
  values.emplace_back("repos", restVolts);
  values.emplace_back("bruit", 0.0);
  std::unique_ptr<ProcessModel> process = kind.Make();
  process->SetParameters(values);
  if (identified != nullptr) {
    if (const ProcessKind* source = FindProcessKindByLabel(identified->Process)) {
      if (auto* m = dynamic_cast<IdentifiedModel*>(process.get()))
        m->DriveFloorVolts = source->Make()->DriveFloor();
    }
  }
  return process;
}

}  // namespace vantor
