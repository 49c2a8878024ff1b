// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/ProcessRegistry.h"

#include "common/VantorError.h"
#include "simulation/DcMotorPosition.h"
#include "simulation/DcMotorSpeed.h"
#include "simulation/FirstOrderProcess.h"
#include "simulation/IdentifiedModel.h"
#include "simulation/ThermalProcess.h"

namespace vantor {

namespace {

template <class Model>
std::unique_ptr<ProcessModel> Make() {
  return std::make_unique<Model>();
}

template <IdentifiedModel::Form form>
std::unique_ptr<ProcessModel> MakeModel() {
  return std::make_unique<IdentifiedModel>(form);
}

}  // namespace

const std::vector<ProcessKind>& ProcessKinds() {
  static const std::vector<ProcessKind> kinds = {
      {"position", "Moteur à courant continu : position", "SimulationPosition1",
       Make<DcMotorPosition>},
      {"vitesse", "Moteur à courant continu : vitesse", "SimulationVitesse1", Make<DcMotorSpeed>},
      {"thermique", "Procédé thermique : premier ordre et retard", "SimulationThermique1",
       Make<ThermalProcess>},
      {"premier-ordre", "Procédé du premier ordre", "SimulationPremierOrdre1",
       Make<FirstOrderProcess>},
      // The models an identification gives, at the values the identification window
      // or --procede WORD:VALUES puts in them.
      {"ordre1", "Modèle identifié : premier ordre et retard", "SimulationModeleOrdre1",
       MakeModel<IdentifiedModel::Form::FirstOrder>},
      {"strejc", "Modèle identifié : Strejc", "SimulationModeleStrejc",
       MakeModel<IdentifiedModel::Form::Strejc>},
      {"integrateur", "Modèle identifié : intégrateur et retard", "SimulationModeleIntegrateur",
       MakeModel<IdentifiedModel::Form::Integrator>},
  };
  return kinds;
}

const ProcessKind* FindProcessKind(const std::string& id) {
  for (const ProcessKind& kind : ProcessKinds())
    if (kind.Id == id) return &kind;
  return nullptr;
}

const ProcessKind* KindOf(const ProcessModel& process) {
  return FindProcessKind(process.Id());
}

std::unique_ptr<ProcessModel> MakeProcess(const std::string& id) {
  const ProcessKind* kind = FindProcessKind(id);
  if (kind == nullptr)
    throw VantorError("Procédé simulé inconnu : « " + id + " » (" + ProcessIds(", ") + ")");
  return kind->Make();
}

std::string ProcessIds(const std::string& separator) {
  std::string ids;
  for (const ProcessKind& kind : ProcessKinds()) ids += (ids.empty() ? "" : separator) + kind.Id;
  return ids;
}

}  // namespace vantor
