// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/ProcessRegistry.h"

#include <algorithm>

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
      {"ordre1",
       "Modèle identifié : premier ordre et retard",
       "SimulationModeleOrdre1",
       MakeModel<IdentifiedModel::Form::FirstOrder>,
       {"gain", "constante-temps", "retard"},
       "ordre1:K,T,R"},
      {"strejc",
       "Modèle identifié : Strejc",
       "SimulationModeleStrejc",
       MakeModel<IdentifiedModel::Form::Strejc>,
       {"gain", "constante-temps", "retard", "ordre"},
       "strejc:K,T,R,n"},
      {"integrateur",
       "Modèle identifié : intégrateur et retard",
       "SimulationModeleIntegrateur",
       MakeModel<IdentifiedModel::Form::Integrator>,
       {"gain", "retard"},
       "integrateur:k,R"},
  };
  return kinds;
}

const ProcessKind* FindProcessKind(const std::string& id) {
  for (const ProcessKind& kind : ProcessKinds())
    if (kind.Id == id) return &kind;
  return nullptr;
}

const ProcessKind* FindProcessKindByLabel(const std::string& label) {
  // The headless tool records the process with its profile: "… (réaliste)".
  for (const ProcessKind& kind : ProcessKinds())
    if (label == kind.Label || label.rfind(kind.Label + " (", 0) == 0) return &kind;
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

bool ProcessKind::TakesValue(const std::string& name) const {
  return std::find(ModelValues.begin(), ModelValues.end(), name) != ModelValues.end();
}

std::vector<const ProcessKind*> IdentifiedModelKinds() {
  std::vector<const ProcessKind*> models;
  for (const ProcessKind& kind : ProcessKinds())
    if (kind.IsIdentifiedModel()) models.push_back(&kind);
  return models;
}

std::string IdentifiedModelIds() {
  const std::vector<const ProcessKind*> models = IdentifiedModelKinds();
  std::string ids;
  for (std::size_t i = 0; i < models.size(); ++i)
    ids += (i == 0 ? "" : i + 1 == models.size() ? " ou " : ", ") + models[i]->Id;
  return ids;
}

std::string IdentifiedModelForms(const std::string& separator) {
  std::string forms;
  for (const ProcessKind* kind : IdentifiedModelKinds())
    forms += (forms.empty() ? "" : separator) + kind->ModelForm;
  return forms;
}

const ProcessKind& IdentifiedModelKind(bool integrating, int orders) {
  for (const ProcessKind* kind : IdentifiedModelKinds())
    if (kind->TakesValue("constante-temps") != integrating &&
        kind->TakesValue("ordre") == (!integrating && orders > 1))
      return *kind;
  throw VantorError("Aucun modèle identifié ne convient");
}

ProcessParameter ParameterOf(const ProcessKind& kind, const std::string& name) {
  for (ProcessParameter& p : kind.Make()->Parameters())
    if (p.Name == name) return p;
  throw VantorError("Paramètre " + name + " inconnu du procédé " + kind.Id);
}

}  // namespace vantor
