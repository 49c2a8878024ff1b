// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Gains proposed by the classic tuning rules, in the corrector's parallel form
// (order = Kp·e + Kd·de/dt + Ki·∫e dt): Ki = Kp / Ti and Kd = Kp · Td. The rules that
// start from the critical gain Ku and period Tu (closed-loop pumping, relay test) are
// here; each tool that finds Ku and Tu proposes its gains through them.
#include <string>
#include <vector>

namespace vantor {

struct GainProposal {
  std::string Method;     // short code for the headless tool's lines: "zn", "tl", …
  std::string MethodName; // French, for windows: "Ziegler–Nichols (pompage)"
  std::string Structure;  // "P", "PI" or "PID"
  double Kp = 0;
  double Ti = 0;  // s; 0 when the structure has no integral
  double Td = 0;  // s; 0 when the structure has no derivative
  double Ki() const { return Ti > 0 ? Kp / Ti : 0; }
  double Kd() const { return Kp * Td; }
};

// Ziegler–Nichols, closed loop: P 0.5 Ku; PI 0.45 Ku, Ti = Tu/1.2; PID 0.6 Ku,
// Ti = Tu/2, Td = Tu/8.
std::vector<GainProposal> ZieglerNicholsClosedLoop(double ku, double tu);
// Tyreus–Luyben: PI Ku/3.2, Ti = 2.2 Tu; PID Ku/2.2, Ti = 2.2 Tu, Td = Tu/6.3.
std::vector<GainProposal> TyreusLuyben(double ku, double tu);

}  // namespace vantor
