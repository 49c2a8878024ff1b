// SPDX-License-Identifier: GPL-3.0-or-later
// The zero trim of the USB board's order stage, from the parts list of firmware/CABLAGE.md:
// with 1 % resistors and the converters' and reference's datasheet tolerances, P1 must
// bring the order to 0 V at rest on every board, at both ends of the worst case.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace vantor {
namespace {

const std::string kRoot = VANTOR_SOURCE_DIR;

// Datasheet tolerances, at the worst of each.
// MCP4822 at code 2048, gain 2 (2.048 V): offset error ±1 % and gain error ±2 % of the
// 4.096 V full scale (the gain error covers its internal 2.048 V reference; half of it at
// mid-scale), integral non-linearity ±12 LSB of 1 mV.
constexpr double kDacMid = 2.048;
constexpr double kDacError = 0.01 * 4.096 + 0.02 * 4.096 / 2 + 0.012;
constexpr double kReference = 4.096;      // MCP1541
constexpr double kReferenceTol = 0.01;    // initial accuracy
constexpr double kOpAmpOffset = 0.010;    // TL072C input offset, 25 °C
constexpr double kResistorTol = 0.01;     // the list asks for 1 % parts
constexpr double kTrimmerTol = 0.10;      // cermet multiturn trimmer, end to end
// P1 must reach 1 % of the target beyond the worst case at each end: its travel ends are
// not quite 0 and its full value, and a trim left at a stop is no trim.
constexpr double kMarginShare = 0.01;

// kΩ values named in the parts list: "Rin 20,5 kΩ", "R1 4,42 kΩ"...
std::map<std::string, double> PartsListValues() {
  std::ifstream in(kRoot + "/firmware/CABLAGE.md", std::ios::binary);
  EXPECT_TRUE(in.good());
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::size_t list = text.find("## Liste des composants");
  EXPECT_NE(list, std::string::npos);
  const std::string parts = text.substr(list, text.find("\n## ", list + 1) - list);
  std::map<std::string, double> values;
  const std::regex part(R"(\b(Rin|Rf|R1|R2|P1) (\d+(?:,\d+)?) k\xCE\xA9)");
  for (auto it = std::sregex_iterator(parts.begin(), parts.end(), part);
       it != std::sregex_iterator(); ++it) {
    std::string number = (*it)[2];
    std::replace(number.begin(), number.end(), ',', '.');
    EXPECT_EQ(values.count((*it)[1]), 0u) << (*it)[1] << " named twice";
    values[(*it)[1]] = std::stod(number);
  }
  return values;
}

TEST(OrderZeroTrimTest, TrimCoversTheWorstCaseOfTheListedParts) {
  const std::map<std::string, double> v = PartsListValues();
  for (const char* name : {"Rin", "Rf", "R1", "R2", "P1"})
    ASSERT_EQ(v.count(name), 1u) << name << " missing from the parts list";
  const double rin = v.at("Rin"), rf = v.at("Rf"), r1 = v.at("R1"), r2 = v.at("R2"),
               p1 = v.at("P1");

  // Zero at rest: V+ (1 + G) = G Vdac + (1 + G) Vos, so V+ = Vdac G / (1 + G) − Vos.
  double needLow = std::numeric_limits<double>::max(), needHigh = 0;
  for (double sf : {-1.0, 1.0})
    for (double si : {-1.0, 1.0}) {
      const double g = rf * (1 + sf * kResistorTol) / (rin * (1 + si * kResistorTol));
      needLow = std::min(needLow, (kDacMid - kDacError) * g / (1 + g) - kOpAmpOffset);
      needHigh = std::max(needHigh, (kDacMid + kDacError) * g / (1 + g) + kOpAmpOffset);
    }

  // V+ = Vref R2 / (R1 + p + R2): what P1 reaches at p = 0 and at its full value, on the
  // board whose tolerances are the least favourable for that end.
  double reachHigh = std::numeric_limits<double>::max(), reachLow = 0;
  for (double sv : {-1.0, 1.0})
    for (double s1 : {-1.0, 1.0})
      for (double s2 : {-1.0, 1.0})
        for (double sp : {-1.0, 1.0}) {
          const double vref = kReference * (1 + sv * kReferenceTol);
          const double a = r1 * (1 + s1 * kResistorTol), b = r2 * (1 + s2 * kResistorTol);
          const double p = p1 * (1 + sp * kTrimmerTol);
          reachHigh = std::min(reachHigh, vref * b / (a + b));
          reachLow = std::max(reachLow, vref * b / (a + p + b));
        }

  const double margin = kMarginShare * kDacMid * rf / (rin + rf);
  std::ostringstream report;
  report << "needed " << needLow << " V to " << needHigh << " V, P1 reaches " << reachLow
         << " V to " << reachHigh << " V";
  EXPECT_LE(reachLow, needLow - margin) << report.str();
  EXPECT_GE(reachHigh, needHigh + margin) << report.str();
}

}  // namespace
}  // namespace vantor
