// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The table of the simulated processes: the "Simulation" menu offers its rows in order,
// the headless tool's --procede takes their words. A new process is one model file and
// one row in ProcessRegistry.cpp. The table owns what is said of each process outside its
// model: the models of identification, the values their words take and in which order,
// the form the tool's messages give them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "simulation/ProcessModel.h"

namespace vantor {

struct ProcessKind {
  std::string Id;          // the --procede word and the model's Id(): "position", ...
  std::string Label;       // the menu's caption, the model's Name()
  std::string ActionName;  // object name of the menu action: "SimulationPosition1"
  std::function<std::unique_ptr<ProcessModel>()> Make;  // a process at its defaults
  // A model of identification: the names of the parameters its word takes after a colon
  // (--procede ordre1:K,T,R), in their order; empty for the other processes.
  std::vector<std::string> ModelValues{};
  // That form as the tool's messages write it: "ordre1:K,T,R".
  std::string ModelForm{};

  bool IsIdentifiedModel() const { return !ModelValues.empty(); }
  // Whether the model takes the named value ("constante-temps", "ordre").
  bool TakesValue(const std::string& name) const;
};

// Every row, in the menu's order.
const std::vector<ProcessKind>& ProcessKinds();
// The row of a word, or nullptr.
const ProcessKind* FindProcessKind(const std::string& id);
// The row whose caption is `label` (a run's process name, maybe followed by its profile in
// brackets), or nullptr.
const ProcessKind* FindProcessKindByLabel(const std::string& label);
// The row of a process model, or nullptr for a process outside the table (the fixed
// inputs of the tests).
const ProcessKind* KindOf(const ProcessModel& process);
// A new process of the word's row; throws VantorError for a word outside the table.
std::unique_ptr<ProcessModel> MakeProcess(const std::string& id);
// The words joined by separator, in the table's order: "position|vitesse|...".
std::string ProcessIds(const std::string& separator);

// The models of identification, in the table's order.
std::vector<const ProcessKind*> IdentifiedModelKinds();
// Their words as a message lists them: "ordre1, strejc ou integrateur".
std::string IdentifiedModelIds();
// Their forms joined by separator: "ordre1:K,T,R, strejc:K,T,R,n, integrateur:k,R".
std::string IdentifiedModelForms(const std::string& separator);
// The model of an identification's fit: the integrator, else n first orders (Strejc) when
// `orders` is above 1, else the first order.
const ProcessKind& IdentifiedModelKind(bool integrating, int orders);
// The row's own description of a parameter, at its defaults; throws VantorError for a
// name the process does not have.
ProcessParameter ParameterOf(const ProcessKind& kind, const std::string& name);

}  // namespace vantor
