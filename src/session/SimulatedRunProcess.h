// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a run keeps of the simulated card's process. Qt-free.
#include <optional>

#include "regulation/Trial.h"

namespace vantor {

class SimulatedCard;

// The process behind `card` as a run that just ended keeps it: its description, its
// profile and the load the run met — "1 V à 5 s" when the load was scheduled `loadStart`
// seconds into the run, "1 V au bouton « Perturbation »" when the student applied it, and
// nothing when the run did not meet it.
RunProcess SimulatedRunProcess(SimulatedCard& card, std::optional<double> loadStart);

}  // namespace vantor
