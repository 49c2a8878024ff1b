// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run of the regulation engine on a simulated card of its own, in virtual time: the
// same corrector, averaging, limits and recording as a run at the workstation, for a
// prediction that must answer as the real loop would. Qt-free.
#include <memory>
#include <string>

#include "lesson-core/Identification.h"
#include "regulation/Regulation.h"
#include "regulation/Trial.h"
#include "simulation/ProcessModel.h"

namespace vantor {

// Runs `process` (reset to rest first) for `cycles` cycles with the gains, loop mode and
// limits of `settings` and a step setpoint whose field reads `stepText`, as "Echelon"
// then "Début" would. The workstation's state is not touched. Throws VantorError when the
// step field does not convert or the run fails.
std::unique_ptr<Trial> RunInVirtualTime(const RegulationState& settings,
                                        std::unique_ptr<ProcessModel> process,
                                        const std::string& stepText, long cycles);

// The simulated process of an identified model ("modèle identifié", the registry's
// ordre1, strejc or integrateur), noiseless, at rest at `restVolts` (the feedback before
// the identified step, less what the order before it held there: K · u before). Throws
// VantorError with the parameters dialog's message for a value out of its range.
std::unique_ptr<ProcessModel> ProcessOfModel(const ProcessModelFit& model, double restVolts);

}  // namespace vantor
