// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The caption line printed above a trace or an analysis: it records the setpoint and
// the gains used, so a printed response can be matched with its settings.
#include <string>

#include "regulation/Regulation.h"
#include "regulation/Trial.h"

namespace vantor {

// panel15 is the setpoint title shown in the main window ("Consigne: Echelon", or
// "Consigne:? " before any choice). A step shows its level; every other kind (and no
// kind yet) shows mean, amplitude and frequency. Numbers in the printed form.
std::string BuildPrintCaption(const std::string& panel15, const RegulationState& s);
// The same line for a kept run, from the caption and values it was run with.
std::string BuildPrintCaption(const Trial& t);

// Page measures of the trace printout, in printer pixels, for a printable area W × H:
// caption at (mx, my/2), chart in the middle 60 % of the width between 20 % and 60 %
// of the height.
struct TracePage {
  int mx = 0, my = 0, cw = 0, ch = 0;
  int captionX = 0, captionY = 0;
  int left = 0, top = 0, right = 0, bottom = 0;  // chart rectangle
};
TracePage ComputeTracePage(int W, int H);

}  // namespace vantor
