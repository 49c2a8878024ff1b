// SPDX-License-Identifier: GPL-3.0-or-later
// Broïda's table: the structure chosen from T/τ, and each form's settings turned into the
// workstation's gains, checked on the corrector's frequency response written from the
// textbook's formulas.
#include <gtest/gtest.h>

#include <complex>
#include <functional>
#include <string>
#include <vector>

#include "lesson-core/TuningRules.h"

namespace vantor {
namespace {

using Complex = std::complex<double>;

// The workstation's corrector, Kp + Ki/p + Kd·p, at p = jω.
Complex Workstation(const GainProposal& g, double w) {
  const Complex p(0, w);
  return g.Kp + g.Ki() / p + g.Kd() * p;
}

TEST(BroidaTest, TheRatioOfTimeConstantToDelayChoosesTheStructure) {
  struct Case {
    double t, delay;
    BroidaStructure expected;
  };
  for (const Case& c : {Case{25, 1, BroidaStructure::OnOff}, Case{20, 1, BroidaStructure::OnOff},
                        Case{15, 1, BroidaStructure::P}, Case{7, 1, BroidaStructure::PI},
                        Case{4.7, 1, BroidaStructure::PID}, Case{3, 1.5, BroidaStructure::PID},
                        Case{1.5, 1, BroidaStructure::DeadTime}}) {
    EXPECT_EQ(BroidaChoice(c.t, c.delay), c.expected) << c.t << "/" << c.delay;
  }
  EXPECT_EQ(BroidaChoiceKey(BroidaChoice(1, 1)), "retard");
  EXPECT_NE(BroidaChoiceText(BroidaChoice(1, 1)).find("Smith"), std::string::npos);
}

TEST(BroidaTest, EachFormGivesTheWorkstationTheSameCorrectorAsTheTable) {
  const double K = 1.3, T = 8, tau = 1.7;
  const std::vector<GainProposal> table = BroidaTable(K, T, tau);
  ASSERT_EQ(table.size(), 6u);
  // The table, written from the textbook for each form: Kr, Ti, Td.
  const double krP = 0.8 * T / (K * tau);
  const double krPidSeries = 0.85 * T / (K * tau);
  const double krPid = (T + 0.4 * tau) / (1.2 * K * tau);
  struct Expected {
    const char* structure;
    const char* form;
    std::function<Complex(Complex)> c;  // the form's transfer function at p
  };
  const std::vector<Expected> expected = {
      {"P", "", [&](Complex) { return Complex(krP); }},
      {"PI", "serie", [&](Complex p) { return krP * (1.0 + 1.0 / (T * p)); }},
      {"PI", "parallele", [&](Complex p) { return krP + 1.0 / (K * tau / 0.8 * p); }},
      {"PID", "serie",
       [&](Complex p) { return krPidSeries * (1.0 + 1.0 / (T * p)) * (1.0 + 0.4 * tau * p); }},
      {"PID", "parallele",
       [&](Complex p) { return krPid + 1.0 / (K * tau / 0.75 * p) + 0.35 * T / K * p; }},
      {"PID", "mixte", [&](Complex p) {
         return krPid * (1.0 + 1.0 / ((T + 0.4 * tau) * p) + T * tau / (2.5 * T + tau) * p);
       }}};
  for (std::size_t i = 0; i < table.size(); ++i) {
    const GainProposal& g = table[i];
    SCOPED_TRACE(g.Structure + " " + g.Form);
    EXPECT_EQ(g.Method, "broida");
    EXPECT_EQ(g.Structure, expected[i].structure);
    EXPECT_EQ(g.Form, expected[i].form);
    for (double w : {0.03, 0.4, 2.5}) {
      const Complex want = expected[i].c(Complex(0, w));
      EXPECT_NEAR(std::abs(Workstation(g, w) - want), 0, 1e-9 * std::abs(want)) << w;
    }
    EXPECT_FALSE(g.FormText.empty());
  }
  // The heater's worked example: T/τ = 4.7, a PID, named with its ratio.
  EXPECT_NE(table[0].MethodName.find("T/τ = 4,71 : PID"), std::string::npos)
      << table[0].MethodName;
  EXPECT_NE(table[3].FormText.find("série : Kr = 3,08, Ti = 8,00 s, Td = 0,68 s"),
            std::string::npos)
      << table[3].FormText;
}

TEST(BroidaTest, OnlyAFirstOrderWithDelayGetsTheTable) {
  std::string why;
  ProcessModelFit firstOrder;
  firstOrder.K = 1, firstOrder.T = 8, firstOrder.Delay = 1.7, firstOrder.Order = 1;
  ProcessModelFit strejc = firstOrder;
  strejc.Order = 3;
  ProcessModelFit integrator = firstOrder;
  integrator.Integrating = true;
  auto broida = [&](const ProcessModelFit& m) {
    int n = 0;
    for (const GainProposal& g : ModelGainProposals(m, why)) n += g.Method == "broida";
    return n;
  };
  EXPECT_EQ(broida(firstOrder), 6);
  EXPECT_EQ(broida(strejc), 0);
  EXPECT_EQ(broida(integrator), 0);
  // Its lines carry the form after the structure.
  const std::string lines = GainProposalLines(BroidaTable(1, 8, 1.7), 16, 4, 2);
  EXPECT_NE(lines.find("broida_PID_serie_kd="), std::string::npos);
  EXPECT_NE(lines.find("borne_broida_PI_parallele_ki="), std::string::npos);
}

}  // namespace
}  // namespace vantor
