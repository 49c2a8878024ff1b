// SPDX-License-Identifier: GPL-3.0-or-later
// The headless tool's relay test, industrial corrector and frequency response: the
// lines it prints agree with the record it writes, and its options refuse what they
// cannot use.
#include <cmath>
#include <map>
#include <memory>

#include "LotFixture.h"
#include "lesson-core/FrequencyResponse.h"
#include "lesson-core/RelayAnalysis.h"
#include "lesson-core/StepMeasures.h"
#include "regulation/RunFile.h"

namespace vantor::testing {
namespace {

using LotLawsTest = LotFixture;

// The `name=value` lines of the tool's output.
std::map<std::string, std::string> Values(const std::string& out) {
  std::map<std::string, std::string> v;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);)
    if (const auto eq = line.find('='); eq != std::string::npos)
      v[line.substr(0, eq)] = line.substr(eq + 1);
  return v;
}

TEST_F(LotLawsTest, TheRelayTestPrintsWhatItsOwnRecordShows) {
  const LotResult r = Lot(Settings() +
                          "--procede thermique --consigne echelon --echelon 5 "
                          "--loi relais:2,0.05,5 --relais --cycles 1900" +
                          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  auto v = Values(r.out);
  ASSERT_EQ(v.size(), 4u) << r.out;
  auto run = std::make_unique<Trial>();
  ReadRunFile(csv.string(), *run);
  EXPECT_LT(run->LastEntry, 1200);  // stopped once steady
  EXPECT_NE(ReadAll(csv).find("# correcteur=essai de relais"), std::string::npos);
  const RelayResult again = AnalyseRelay(*run, {2, 0.05, 5});
  ASSERT_TRUE(again.Measured) << again.Reason;
  EXPECT_EQ(r.out, RelayLines(again));
  const double a = std::stod(v["a"]), ku = std::stod(v["Ku"]);
  EXPECT_NEAR(ku, 8 / (M_PI * std::sqrt(a * a - 0.05 * 0.05)), 0.005);
  // Read from the record alone, as for a run file, the relay gives nearly the same.
  RelaySettings found;
  ASSERT_TRUE(RelaySettingsFromRecord(*run, found));
  EXPECT_NEAR(AnalyseRelay(*run, found).Ku, ku, 0.03 * ku);
  // The saved run gives the same lines with its relay named, the record's without.
  const std::string saved = Settings() + "--analyser '" + csv.string() + "' --relais";
  const LotResult named = Lot(saved + " --loi relais:2,0.05,5");
  ASSERT_EQ(named.status, 0) << named.err;
  EXPECT_EQ(named.out, r.out);
  const LotResult read = Lot(saved);
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, RelayLines(AnalyseRelay(*run, found)));

  // The same relay on a process that cannot oscillate within 60 s: the limit and why.
  const LotResult slow = Lot(Settings() +
                             "--procede constant:1000 --consigne echelon --echelon 5 "
                             "--loi relais:2,0.05,5 --relais --cycles 1900" +
                             Csv());
  ASSERT_EQ(slow.status, 0) << slow.err;
  v = Values(slow.out);
  EXPECT_EQ(v["Ku"], "-");
  EXPECT_EQ(v["periodes"], "0");
  EXPECT_NE(slow.err.find("Pas de résultat de l'essai de relais"), std::string::npos);
  ReadRunFile(csv.string(), *run);
  EXPECT_EQ(run->LastEntry, 1200);
}

TEST_F(LotLawsTest, TheIndustrialCorrectorCuresWindupAndThePartsStaysBitForBit) {
  const std::string pi =
      "--procede thermique --consigne echelon --echelon 5 --kp 4.2 --ki 0.75 --cycles 1900 ";
  LotResult r = Lot(Settings() + pi + Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto partLines = Lines(ReadAll(csv));
  r = Lot(Settings() + pi + "--correcteur partie" + Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(ReadAll(csv)), partLines);
  EXPECT_EQ(ReadAll(csv).find("# correcteur="), std::string::npos);

  r = Lot(Settings() + pi +
          "--correcteur industriel --forme standard --anti-emballement saturation --mesures" +
          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_LT(std::stod(Values(r.out)["depassement"]), 10);
  EXPECT_NE(ReadAll(csv).find("# correcteur=PID industriel (forme standard"), std::string::npos);

  r = Lot(Settings() + pi + "--correcteur industriel --manuel 30,50" + Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(ReadAll(csv));
  EXPECT_EQ(Fields(lines[601])[8], Fields(lines[1000])[8]);  // held from 30 s to 49.95 s
  for (std::size_t k = 1000; k <= 1001; ++k)                 // entries 999 to 1001 around 50 s
    EXPECT_LE(std::labs(Fields(lines[k + 1])[8] - Fields(lines[k])[8]), 5) << k;
}

TEST_F(LotLawsTest, TheFrequencyResponseOfASineRunIsPrintedOrRefusedWithItsReason) {
  const LotResult r = Lot(Settings() +
                          "--procede thermique --boucle ouverte --consigne sin --frequence 0.08 "
                          "--moyenne 4 --amplitude 3 --cycles 1998 --frequentiel" +
                          Csv());
  ASSERT_EQ(r.status, 0) << r.err;
  auto run = std::make_unique<Trial>();
  ReadRunFile(csv.string(), *run);
  EXPECT_EQ(r.out, FrequencyLines(AnalyseFrequencyResponse(*run)));
  auto v = Values(r.out);
  // The generator's sine restarts on whole samples: 249 of them, not 250.
  EXPECT_EQ(v["frequence"], "0.0803");
  EXPECT_LT(std::stod(v["phase"]), -90);
  EXPECT_NEAR(std::stod(v["gain_db"]), 20 * std::log10(std::stod(v["gain"])), 0.01);
  const LotResult saved = Lot(Settings() + "--analyser '" + csv.string() + "' --frequentiel");
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(saved.out, r.out);

  const LotResult step =
      Lot(Settings() + "--procede thermique --consigne echelon --cycles 400 --frequentiel" + Csv());
  ASSERT_EQ(step.status, 0) << step.err;
  EXPECT_EQ(Values(step.out)["gain"], "-");
  EXPECT_NE(step.err.find("Pas de réponse fréquentielle"), std::string::npos);
  // A saved step is no relay test either: said, with the code of an analysis without result.
  const LotResult relay = Lot(Settings() + "--analyser '" + csv.string() + "' --relais");
  ASSERT_EQ(relay.status, 0) << relay.err;
  EXPECT_EQ(Values(relay.out)["Ku"], "-");
  EXPECT_NE(relay.err.find("ce n'est pas un essai de relais"), std::string::npos);
}

TEST_F(LotLawsTest, OptionsOfTheLawsRefuseWhatTheyCannotUse) {
  const std::string base = Settings() + "--consigne echelon --cycles 10" + Csv() + " ";
  for (const auto& [args, option] : std::vector<std::pair<std::string, std::string>>{
           {"--loi relais:0,0.1", "--loi"},
           {"--loi relais:2", "--loi"},
           {"--loi pid", "--loi"},
           {"--loi relais:2,0.1 --correcteur industriel", "--correcteur"},
           {"--loi relais:2,0.1 --boucle ouverte", "--boucle"},
           {"--correcteur pid", "--correcteur"},
           {"--forme standard", "--forme"},
           {"--correcteur industriel --filtre-derivee 1", "--filtre-derivee"},
           {"--correcteur industriel --ponderation 2", "--ponderation"},
           {"--correcteur industriel --anti-emballement recalcul:0", "--anti-emballement"},
           {"--correcteur industriel --action negative", "--action"},
           {"--correcteur industriel --manuel 5,2", "--manuel"},
           {"--relais=oui", "--relais"}}) {
    const LotResult r = Lot(base + args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find(option), std::string::npos) << args << ": " << r.err;
  }
}

}  // namespace
}  // namespace vantor::testing
