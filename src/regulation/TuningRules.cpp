// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/TuningRules.h"

namespace vantor {

namespace {

GainProposal Make(const char* method, const char* name, const char* structure,
                  double kp, double ti, double td) {
  GainProposal g;
  g.Method = method;
  g.MethodName = name;
  g.Structure = structure;
  g.Kp = kp;
  g.Ti = ti;
  g.Td = td;
  return g;
}

}  // namespace

std::vector<GainProposal> ZieglerNicholsClosedLoop(double ku, double tu) {
  const char* name = "Ziegler–Nichols (pompage)";
  return {Make("zn", name, "P", 0.5 * ku, 0, 0),
          Make("zn", name, "PI", 0.45 * ku, tu / 1.2, 0),
          Make("zn", name, "PID", 0.6 * ku, tu / 2, tu / 8)};
}

std::vector<GainProposal> TyreusLuyben(double ku, double tu) {
  const char* name = "Tyreus–Luyben";
  return {Make("tl", name, "PI", ku / 3.2, 2.2 * tu, 0),
          Make("tl", name, "PID", ku / 2.2, 2.2 * tu, tu / 6.3)};
}

}  // namespace vantor
