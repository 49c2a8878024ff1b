// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The table of the simulated processes: the "Simulation" menu offers its rows in order,
// the headless tool's --procede takes their words. A new process is one model file and
// one row in ProcessRegistry.cpp.
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
};

// Every row, in the menu's order.
const std::vector<ProcessKind>& ProcessKinds();
// The row of a word, or nullptr.
const ProcessKind* FindProcessKind(const std::string& id);
// The row of a process model, or nullptr for a process outside the table (the fixed
// inputs of the tests).
const ProcessKind* KindOf(const ProcessModel& process);
// A new process of the word's row; throws VantorError for a word outside the table.
std::unique_ptr<ProcessModel> MakeProcess(const std::string& id);
// The words joined by separator, in the table's order: "position|vitesse|...".
std::string ProcessIds(const std::string& separator);

}  // namespace vantor
