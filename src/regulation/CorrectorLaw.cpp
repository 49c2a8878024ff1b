// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/CorrectorLaw.h"

#include "regulation/Regulation.h"

namespace vantor {

long double PidLaw::Order(const RegulationState& s, long double) {
  return (s.PTerm + s.DTerm) + s.ITerm;
}

long double OpenLoopLaw::Order(const RegulationState&, long double setpoint) {
  return setpoint;
}

bool OpenLoopMode(const RegulationState& s) {
  return s.LoopMode == "Ouv";
}

CorrectorLaw& LawOfRun(const RegulationState& s) {
  static PidLaw pid;
  static OpenLoopLaw openLoop;
  if (OpenLoopMode(s)) return openLoop;
  if (s.Law) return *s.Law;
  return pid;
}

std::string RunLawCaption(const RegulationState& s) {
  return LawOfRun(s).Caption();
}

}  // namespace vantor
