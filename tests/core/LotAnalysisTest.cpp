// SPDX-License-Identifier: GPL-3.0-or-later
// The headless tool's identification, pumping and proposed gains, on its own runs and on
// run files read with --analyser.
#include <cmath>
#include <map>

#include "LotFixture.h"
#include "regulation/RunFile.h"

namespace vantor::testing {
namespace {

// The name=value lines of the tool's output, in order.
std::vector<std::pair<std::string, std::string>> Values(const std::string& out) {
  std::vector<std::pair<std::string, std::string>> values;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) values.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return values;
}

double Number(const std::vector<std::pair<std::string, std::string>>& values,
              const std::string& name) {
  for (const auto& [n, v] : values)
    if (n == name) return std::stod(v);
  ADD_FAILURE() << name << " absent";
  return NAN;
}

class LotAnalysisTest : public LotFixture {};

TEST_F(LotAnalysisTest, ThermalOpenLoopIsIdentifiedAndTheSameFileReadBackGivesTheSameLines) {
  const LotResult r = Lot(Settings() +
                          "--consigne echelon --echelon 5 --boucle ouverte --procede thermique "
                          "--profil réaliste --cycles 1900 --identification --reglages" +
                          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto values = Values(r.out);
  const std::vector<std::string> order = {
      "type",         "K",       "k",          "tangente_Tu",  "tangente_Ta",
      "strejc_n",     "strejc_T", "strejc_retard", "broida_T",  "broida_retard",
      "mc_K",         "mc_T",    "mc_retard",  "mc_residu"};
  ASSERT_GE(values.size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(values[i].first, order[i]);
  EXPECT_EQ(values[0].second, "stable");
  EXPECT_EQ(values[2].second, "-");
  EXPECT_NEAR(Number(values, "mc_T"), 8, 0.8);
  EXPECT_NEAR(Number(values, "mc_retard"), 1.725, 0.17);
  // The gains start from the tangent's reading, as the method sheet writes them.
  const double K = Number(values, "K"), Tu = Number(values, "tangente_Tu"),
               Ta = Number(values, "tangente_Ta");
  EXPECT_NEAR(Number(values, "fiche_PID_kp"), 1.2 * Ta / (K * Tu), 0.02);
  EXPECT_NEAR(Number(values, "fiche_PID_ki"), 1.2 * Ta / (K * Tu) / (2 * Tu), 0.02);
  // Bounded to the teacher's ranges of this folder: Kp ≤ 16, Kd ≤ 4, Ki ≤ 2.
  for (const auto& [name, value] : values)
    if (name.rfind("borne_", 0) == 0) {
      const double raw = Number(values, name.substr(6));
      const char gain = name.back();
      const double bound = gain == 'p' ? 16 : gain == 'd' ? 4 : 2;
      EXPECT_NEAR(std::stod(value), std::min(raw, bound), 0.005) << name;
    }
  const LotResult again =
      Lot(Settings() + "--analyser '" + csv.string() + "' --identification --reglages");
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, r.out);
}

TEST_F(LotAnalysisTest, AnIdentifiedModelRunAsAProcessIsIdentifiedAgainAsItself) {
  // The delay given is the one read on the feedback: the model's run shows it again.
  const LotResult r = Lot(Settings() +
                          "--consigne echelon --echelon 4 --boucle ouverte "
                          "--procede ordre1:1.5,6,1.2 --parametre repos=1 --cycles 1900 "
                          "--identification" +
                          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto values = Values(r.out);
  EXPECT_NEAR(Number(values, "mc_K"), 1.5, 0.03);
  EXPECT_NEAR(Number(values, "mc_T"), 6, 0.12);
  EXPECT_NEAR(Number(values, "mc_retard"), 1.2, 0.05);
  const LotResult ramp = Lot(Settings() +
                             "--consigne echelon --echelon 2 --boucle ouverte "
                             "--procede integrateur:0.3,0.6 --profil réaliste --cycles 250 --identification" +
                             Csv());
  ASSERT_EQ(ramp.status, 0) << ramp.err;
  const auto rv = Values(ramp.out);
  EXPECT_EQ(rv[0].second, "integrateur");
  EXPECT_NEAR(Number(rv, "k"), 0.3, 0.01);
  EXPECT_NEAR(Number(rv, "tangente_Tu"), 0.6, 0.03);
}

TEST_F(LotAnalysisTest, PumpingOnThePositionMotorAndTheClosedLoopRules) {
  const LotResult r = Lot(Settings() +
                          "--consigne echelon --echelon 1 --kp 5.4 --cycles 1200 --pompage "
                          "--reglages --identification" +
                          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto values = Values(r.out);
  EXPECT_EQ(values[0], (std::pair<std::string, std::string>{"type", "-"}));
  EXPECT_FALSE(r.err.empty());  // why there is no identification
  const double ku = Number(values, "Ku"), tu = Number(values, "Tu");
  EXPECT_EQ(ku, 5.4);
  EXPECT_NEAR(tu, 1.65, 0.15);
  EXPECT_NEAR(Number(values, "zn_PID_kp"), 0.6 * ku, 0.005);
  EXPECT_NEAR(Number(values, "zn_PID_kd"), 0.6 * ku * tu / 8, 0.01);
}

TEST_F(LotAnalysisTest, BadAnalysisRequestsAreRefusedInFrench) {
  // Usage: exit status 2.
  for (const std::string args :
       {"--analyser run.csv --cycles 10", "--analyser run.csv --csv x.csv",
        "--consigne echelon --procede ordre1:1,x,1 --cycles 10 --csv x.csv",
        "--consigne echelon --procede ordre1:1,8 --cycles 10 --csv x.csv",
        "--consigne echelon --procede strejc:1,-2,0.5,3 --cycles 10 --csv x.csv",
        "--consigne echelon --procede strejc:1,2,0.5,7 --cycles 10 --csv x.csv",
        "--identification=oui --consigne echelon --cycles 10 --csv x.csv",
        "--consigne echelon --cycles 10 --csv x.csv --prevoir bo.csv:moyenne",
        "--consigne echelon --cycles 10 --csv x.csv --prevoir :mc"}) {
    const LotResult r = Lot(Settings() + args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_FALSE(r.err.empty()) << args;
  }
  // A file that is not there, or not a run: exit status 1, the file named.
  const LotResult missing = Lot(Settings() + "--analyser absent.csv --identification");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("absent.csv"), std::string::npos) << missing.err;
  // A run that cannot be identified: '-' everywhere, the reason, exit status 0.
  const LotResult closed = Lot(Settings() +
                               "--consigne echelon --kp 1 --cycles 400 --identification" + Csv());
  EXPECT_EQ(closed.status, 0);
  for (const auto& [name, value] : Values(closed.out)) EXPECT_EQ(value, "-") << name;
  EXPECT_FALSE(closed.err.empty());
  // Nor a prediction from it: '-', the reason naming the file, exit status 0.
  const LotResult predicted =
      Lot(Settings() + "--consigne echelon --kp 1 --cycles 400 --prevoir '" + csv.string() +
          "'" + " --csv other.csv");
  EXPECT_EQ(predicted.status, 0) << predicted.err;
  EXPECT_NE(predicted.out.find("prevision_ecart_max=-"), std::string::npos) << predicted.out;
  EXPECT_NE(predicted.err.find("ne s'identifie pas"), std::string::npos) << predicted.err;
}

}  // namespace
}  // namespace vantor::testing
