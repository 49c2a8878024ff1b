// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson-core/TuningRules.h"

#include <algorithm>
#include <cmath>

#include "common/Numbers.h"

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

std::vector<GainProposal> MethodSheetStable(double k, double t, double delay) {
  const char* name = "Fiche de méthode (système stable)";
  const double a = k * delay / t;
  return {Make("fiche", name, "P", 1 / a, 0, 0), Make("fiche", name, "PI", 0.9 / a, 3.3 * delay, 0),
          Make("fiche", name, "PID", 1.2 / a, 2 * delay, 0.5 * delay)};
}

std::vector<GainProposal> MethodSheetIntegrating(double k, double delay) {
  const char* name = "Fiche de méthode (système instable)";
  const double a = k * delay;
  return {Make("fiche", name, "P", 1 / a, 0, 0), Make("fiche", name, "PI", 0.9 / a, 3.3 * delay, 0),
          Make("fiche", name, "PID", 1.2 / a, 2 * delay, 0.5 * delay)};
}

std::vector<GainProposal> ZieglerNicholsOpenLoop(double a, double delay) {
  const char* name = "Ziegler–Nichols (boucle ouverte)";
  return {Make("zn", name, "P", 1 / a, 0, 0), Make("zn", name, "PI", 0.9 / a, delay / 0.3, 0),
          Make("zn", name, "PID", 1.2 / a, 2 * delay, delay / 2)};
}

std::vector<GainProposal> SimcStable(double k, double t, double delay) {
  const double tauC = delay;
  return {Make("simc", "SIMC (Skogestad)", "PI", t / (k * (tauC + delay)), std::min(t, 4 * (tauC + delay)),
               0)};
}

std::vector<GainProposal> SimcIntegrating(double k, double delay) {
  const double tauC = delay;
  return {Make("simc", "SIMC (Skogestad)", "PI", 1 / (k * (tauC + delay)), 4 * (tauC + delay), 0)};
}

BroidaStructure BroidaChoice(double t, double delay) {
  const double ratio = t / delay;
  if (ratio >= 20) return BroidaStructure::OnOff;
  if (ratio >= 10) return BroidaStructure::P;
  if (ratio >= 5) return BroidaStructure::PI;
  if (ratio >= 2) return BroidaStructure::PID;
  return BroidaStructure::DeadTime;
}

std::string BroidaChoiceText(BroidaStructure s) {
  switch (s) {
    case BroidaStructure::OnOff: return "tout ou rien";
    case BroidaStructure::P: return "P";
    case BroidaStructure::PI: return "PI";
    case BroidaStructure::PID: return "PID";
    case BroidaStructure::DeadTime: break;
  }
  return "structure pour retard dominant (prédicteur de Smith)";
}

std::string BroidaChoiceKey(BroidaStructure s) {
  switch (s) {
    case BroidaStructure::OnOff: return "tout-ou-rien";
    case BroidaStructure::P: return "P";
    case BroidaStructure::PI: return "PI";
    case BroidaStructure::PID: return "PID";
    case BroidaStructure::DeadTime: break;
  }
  return "retard";
}

std::vector<GainProposal> BroidaTable(double k, double t, double delay) {
  // Two decimals with the French comma, as the windows write numbers.
  const auto text = [](double v) {
    std::string s = FormatFixed2(static_cast<long double>(v));
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
  };
  const std::string name = "Broïda (T/τ = " + text(t / delay) + " : " +
                           BroidaChoiceText(BroidaChoice(t, delay)) + ")";
  const auto formText = [&](const char* form, double kr, double ti, double td) {
    std::string s = std::string(form) + " : Kr = " + text(kr);
    if (ti > 0) s += ", Ti = " + text(ti) + " s";
    if (td > 0) s += ", Td = " + text(td) + " s";
    return s;
  };
  // Each form's Kr, Ti, Td, and the workstation's equivalent Kp, Ti = Kp/Ki, Td = Kd/Kp.
  const auto series = [&](const char* structure, double kr, double ti, double td) {
    // Kr (1 + 1/(Ti p)) (1 + Td p) = Kr (1 + Td/Ti) + Kr/(Ti p) + Kr Td p.
    const double kp = kr * (1 + td / ti);
    GainProposal g = Make("broida", name.c_str(), structure, kp, ti + td, kr * td / kp);
    g.Form = "serie";
    g.FormText = formText("série", kr, ti, td);
    return g;
  };
  const auto parallel = [&](const char* structure, double kr, double ti, double td) {
    // Kr + 1/(Ti p) + Td p.
    GainProposal g = Make("broida", name.c_str(), structure, kr, kr * ti, td / kr);
    g.Form = "parallele";
    g.FormText = formText("parallèle", kr, ti, td);
    return g;
  };
  const auto mixed = [&](const char* structure, double kr, double ti, double td) {
    GainProposal g = Make("broida", name.c_str(), structure, kr, ti, td);
    g.Form = "mixte";
    g.FormText = formText("mixte", kr, ti, td);
    return g;
  };
  const double a = k * delay;
  GainProposal p = Make("broida", name.c_str(), "P", 0.8 * t / a, 0, 0);
  p.FormText = formText("P", 0.8 * t / a, 0, 0);
  const double krPid = (t + 0.4 * delay) / (1.2 * a);
  return {p,
          series("PI", 0.8 * t / a, t, 0),
          parallel("PI", 0.8 * t / a, a / 0.8, 0),
          series("PID", 0.85 * t / a, t, 0.4 * delay),
          parallel("PID", krPid, a / 0.75, 0.35 * t / k),
          mixed("PID", krPid, t + 0.4 * delay, t * delay / (2.5 * t + delay))};
}

std::vector<GainProposal> ModelGainProposals(const ProcessModelFit& m, std::string& why) {
  why.clear();
  if (!std::isfinite(m.T) || !std::isfinite(m.Delay)) {
    why = "le modèle n'a pas de constante de temps ou de retard finis";
    return {};
  }
  if (!(std::fabs(m.K) > 0) || !std::isfinite(m.K)) {
    why = "le gain du modèle est nul";
    return {};
  }
  if (m.K < 0) {
    why = "le gain du modèle est négatif : le correcteur du poste ne corrige que dans un sens";
    return {};
  }
  if (!(m.Delay > 0)) {
    why = "le retard du modèle est nul : ces règles divisent par le retard";
    return {};
  }
  std::vector<GainProposal> all;
  auto add = [&all](std::vector<GainProposal> more) {
    for (GainProposal& g : more) all.push_back(std::move(g));
  };
  if (m.Integrating) {
    add(MethodSheetIntegrating(m.K, m.Delay));
    add(ZieglerNicholsOpenLoop(m.K * m.Delay, m.Delay));
    add(SimcIntegrating(m.K, m.Delay));
    return all;
  }
  if (!(m.T > 0)) {
    why = "la constante de temps du modèle est nulle";
    return {};
  }
  add(MethodSheetStable(m.K, m.T, m.Delay));
  add(ZieglerNicholsOpenLoop(m.K * m.Delay / m.T, m.Delay));
  add(SimcStable(m.K, m.T, m.Delay));
  if (m.Order == 1) add(BroidaTable(m.K, m.T, m.Delay));
  return all;
}

BoundedGains BoundGains(const GainProposal& g, std::int32_t kpmax, std::int32_t kdmax,
                        std::int32_t kimax) {
  BoundedGains b;
  auto bound = [](double v, std::int32_t max, bool& bounded) {
    const double kept = std::clamp(v, 0.0, static_cast<double>(max));
    bounded = kept != v;
    return kept;
  };
  b.Kp = bound(g.Kp, kpmax, b.KpBounded);
  b.Kd = bound(g.Kd(), kdmax, b.KdBounded);
  b.Ki = bound(g.Ki(), kimax, b.KiBounded);
  return b;
}

std::string GainProposalLines(const std::vector<GainProposal>& proposals, std::int32_t kpmax,
                              std::int32_t kdmax, std::int32_t kimax) {
  auto value = [](double v) { return FormatFixed2(static_cast<long double>(v)); };
  std::string raw, bounded;
  for (const GainProposal& g : proposals) {
    const std::string stem =
        g.Method + "_" + g.Structure + (g.Form.empty() ? "" : "_" + g.Form) + "_";
    const BoundedGains b = BoundGains(g, kpmax, kdmax, kimax);
    raw += stem + "kp=" + value(g.Kp) + "\n";
    bounded += "borne_" + stem + "kp=" + value(b.Kp) + "\n";
    if (g.Td > 0) {
      raw += stem + "kd=" + value(g.Kd()) + "\n";
      bounded += "borne_" + stem + "kd=" + value(b.Kd) + "\n";
    }
    if (g.Ti > 0) {
      raw += stem + "ki=" + value(g.Ki()) + "\n";
      bounded += "borne_" + stem + "ki=" + value(b.Ki) + "\n";
    }
  }
  return raw + bounded;
}

}  // namespace vantor
