// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Gains proposed by the classic tuning rules, in the corrector's parallel form
// (order = Kp·e + Kd·de/dt + Ki·∫e dt): Ki = Kp / Ti and Kd = Kp · Td. The rules that
// start from the critical gain Ku and period Tu (closed-loop pumping, relay test) are
// here; each tool that finds Ku and Tu proposes its gains through them. So are the rules
// that start from a model identified on the open-loop step response: the course's method
// sheets, Ziegler–Nichols' open-loop rules and Skogestad's SIMC.
#include <cstdint>
#include <string>
#include <vector>

#include "lesson-core/Identification.h"

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
  // A table that gives its gains for a form of the corrector: "serie", "parallele" or
  // "mixte" (the tool's lines add it to the structure), and the gains as that form writes
  // them, in French ("série : Kr = 4, Ti = 8 s, Td = 0,68 s"). Kp, Ti and Td above are
  // always the workstation's equivalent, Ki = Kp / Ti and Kd = Kp·Td.
  std::string Form;
  std::string FormText;
};

// Ziegler–Nichols, closed loop: P 0.5 Ku; PI 0.45 Ku, Ti = Tu/1.2; PID 0.6 Ku,
// Ti = Tu/2, Td = Tu/8.
std::vector<GainProposal> ZieglerNicholsClosedLoop(double ku, double tu);
// Tyreus–Luyben: PI Ku/3.2, Ti = 2.2 Tu; PID Ku/2.2, Ti = 2.2 Tu, Td = Tu/6.3.
std::vector<GainProposal> TyreusLuyben(double ku, double tu);

// The method sheets ("Système naturellement stable", read with the tangent: τ = Tu,
// T = Ta): P T/(Kτ); PI 0.9 T/(Kτ), Ti = 3.3 τ; PID 1.2 T/(Kτ), Ti = 2 τ, Td = 0.5 τ.
std::vector<GainProposal> MethodSheetStable(double k, double t, double delay);
// "Système naturellement instable" (slope k, delay τ): P 1/(kτ); PI 0.9/(kτ),
// Ti = 3.3 τ; PID 1.2/(kτ), Ti = 2 τ, Td = 0.5 τ.
std::vector<GainProposal> MethodSheetIntegrating(double k, double delay);
// Ziegler–Nichols, open loop, from a = K·L/T (stable) or a = k·L (integrating):
// P 1/a; PI 0.9/a, Ti = L/0.3; PID 1.2/a, Ti = 2 L, Td = L/2.
std::vector<GainProposal> ZieglerNicholsOpenLoop(double a, double delay);
// SIMC with τc = the delay L: stable, PI Kp = T/(K (τc + L)), Ti = min(T, 4 (τc + L));
// integrating, PI Kp = 1/(k (τc + L)), Ti = 4 (τc + L).
std::vector<GainProposal> SimcStable(double k, double t, double delay);
std::vector<GainProposal> SimcIntegrating(double k, double delay);

// Broïda's choice of structure for a first order with delay, from the ratio T/τ of its
// time constant to its delay: 20 and above on-off, 10 to 20 P, 5 to 10 PI, 2 to 5 PID,
// below 2 a delay too large for a PID alone (a structure for dead time, such as Smith's
// predictor).
enum class BroidaStructure { OnOff, P, PI, PID, DeadTime };
BroidaStructure BroidaChoice(double t, double delay);
// "tout ou rien", "P", "PI", "PID", "structure pour retard dominant (prédicteur de Smith)".
std::string BroidaChoiceText(BroidaStructure s);
// The tool's word: tout-ou-rien, P, PI, PID, retard.
std::string BroidaChoiceKey(BroidaStructure s);
// Broïda's table of settings for K·e^(−τp)/(1 + Tp), with Kr the gain of each form:
//   P: Kr = 0.8 T/(Kτ);
//   PI series: Kr = 0.8 T/(Kτ), Ti = T; PI parallel: Kr = 0.8 T/(Kτ), Ti = Kτ/0.8;
//   PID series: Kr = 0.85 T/(Kτ), Ti = T, Td = 0.4 τ;
//   PID parallel: Kr = (T + 0.4 τ)/(1.2 Kτ), Ti = Kτ/0.75, Td = 0.35 T/K;
//   PID mixed: Kr = (T + 0.4 τ)/(1.2 Kτ), Ti = T + 0.4 τ, Td = Tτ/(2.5 T + τ).
// Series: Kr (1 + 1/(Ti p)) (1 + Td p); parallel: Kr + 1/(Ti p) + Td p; mixed (the
// standard form): Kr (1 + 1/(Ti p) + Td p). Each proposal carries the workstation's
// equivalent gains.
std::vector<GainProposal> BroidaTable(double k, double t, double delay);

// Every proposal for a model: the sheet's, Ziegler–Nichols' and SIMC, in that order, then
// Broïda's table for a first order with delay.
// Empty when the rules do not apply (no delay, no time constant or no gain), `why` then
// says why in French.
std::vector<GainProposal> ModelGainProposals(const ProcessModelFit& model, std::string& why);

// A proposal as the gain fields would take it: each gain between 0 and its bound (the
// teacher's kpmax, kdmax, kimax), and which ones were brought back.
struct BoundedGains {
  double Kp = 0, Kd = 0, Ki = 0;
  bool KpBounded = false, KdBounded = false, KiBounded = false;
  bool Any() const { return KpBounded || KdBounded || KiBounded; }
};
BoundedGains BoundGains(const GainProposal& g, std::int32_t kpmax, std::int32_t kdmax,
                        std::int32_t kimax);

// The proposals as the headless tool prints them: METHODE_STRUCTURE_kp, _kd (with a
// derivative), _ki (with an integral) for each, then the same lines bounded, prefixed
// "borne_"; two decimals, '.'.
std::string GainProposalLines(const std::vector<GainProposal>& proposals, std::int32_t kpmax,
                              std::int32_t kdmax, std::int32_t kimax);

}  // namespace vantor
