// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson-core/VirtualRun.h"

#include "card/CardFactory.h"
#include "card/SimulatedCard.h"
#include "common/VantorError.h"
#include "lesson-core/CountedRunHost.h"
#include "simulation/Clock.h"
#include "simulation/ProcessRegistry.h"

namespace vantor {

std::unique_ptr<Trial> RunInVirtualTime(const RegulationState& settings,
                                        std::unique_ptr<ProcessModel> process,
                                        const std::string& stepText, long cycles) {
  const std::string name = process->Description();
  VirtualClock clock;
  SimulatedCard simulated(clock, std::move(process));
  simulated.ResetProcess();
  const std::unique_ptr<AcquisitionCard> card = OpenCard(
      CardChoice::OnBus(simulated), SimulatedCard::kFactoryAdr1, SimulatedCard::kFactoryAdr2);
  card->Initialise();
  card->PutOutputsAtRest();

  auto state = std::make_unique<RegulationState>(settings);  // 56 kB: not on the stack
  RegulationState& s = *state;
  s.StopRequested = 1;
  s.PrevDTerm = 0;
  s.DTerm = 0;
  const SetpointButtonResult button = PressSetpointButton(s, *card, 1);
  SetpointFields fields;
  fields.Edit5 = stepText;
  CountedRunHost host(s, clock, cycles, fields);
  RunRegulation(s, *card, host);
  if (!host.Message.empty()) throw VantorError(host.Message);
  return std::make_unique<Trial>(TrialFromState(s, button.Panel15Caption, name));
}

std::unique_ptr<ProcessModel> ProcessOfModel(const ProcessModelFit& model, double restVolts) {
  const char* word = model.Integrating ? "integrateur" : model.Order > 1 ? "strejc" : "ordre1";
  std::unique_ptr<ProcessModel> process = MakeProcess(word);
  std::vector<std::pair<std::string, double>> values = {
      {"gain", model.K}, {"retard", model.Delay}, {"repos", restVolts}, {"bruit", 0.0}};
  if (!model.Integrating) values.emplace_back("constante-temps", model.T);
  if (model.Order > 1) values.emplace_back("ordre", model.Order);
  process->SetParameters(values);
  return process;
}

}  // namespace vantor
