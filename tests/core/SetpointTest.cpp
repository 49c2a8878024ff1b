// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "RecordingBus.h"
#include "card/AD2var.h"
#include "common/VantorError.h"
#include "regulation/Regulation.h"

namespace vantor {
namespace {

class SetpointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card.CardInit(0x330, 0x340);
    bus.ClearLog();
    s.SamplePeriodMs = 50;
    s.finalech = 8;
    s.valmoymini = 2;
    s.valmoymaxi = 7;
    s.amplimaxi = 3;
    s.SetpointFrequency = 0.01L;
    s.SetpointPeriod = 1 / s.SetpointFrequency;
  }

  // Reads the fields for `kind` and returns the first `cycles` setpoints of a run.
  std::vector<long double> Generate(const std::string& kind, SetpointFields f, int cycles) {
    s.SetpointKind = kind;
    ReadSetpointFields(s, f);
    s.GeneratorCounter = 0;
    std::vector<long double> out;
    for (int n = 0; n < cycles; ++n) out.push_back(NextSetpoint(s, card));
    return out;
  }

  RecordingBus bus;
  AD2var card{bus};
  RegulationState s;
};

TEST_F(SetpointTest, EchelonButtonProposesThreeQuartersOfTheHighestStepRoundedToEven) {
  const std::pair<long double, const char*> cases[] = {{8, "6"}, {5, "4"}, {2, "2"}, {3, "2"}};
  for (const auto& [finalech, text] : cases) {
    s.finalech = finalech;
    const SetpointButtonResult r = PressSetpointButton(s, card, 1);
    EXPECT_EQ(r.Edit5, std::optional<std::string>(text)) << static_cast<double>(finalech);
    EXPECT_FALSE(r.Edit4.has_value());
    EXPECT_EQ(r.Shown, SetpointPanel::Panel14);
    EXPECT_EQ(r.Panel15Caption, "Consigne: Echelon");
  }
  EXPECT_EQ(s.SetpointKind, "echelon");
  EXPECT_EQ(s.StepLevel, 0);                    // the field only; the level is read at run start
  EXPECT_EQ(bus.Writes().back(), W(0x341, 1));  // unipolar range, channel 0
}

TEST_F(SetpointTest, PeriodicButtonsShowTheCurrentFrequencyAndExternalTouchesNothing) {
  card.SelectRange('b');
  bus.ClearLog();
  const struct {
    int button;
    const char* kind;
    const char* caption;
  } cases[] = {{2, "sin", "Consigne: Sinusoïde "},
               {3, "triang", "Consigne: Triangle"},
               {4, "carr", "Consigne: Carré"}};
  for (const auto& c : cases) {
    const SetpointButtonResult r = PressSetpointButton(s, card, c.button);
    EXPECT_EQ(s.SetpointKind, c.kind);
    EXPECT_EQ(r.Panel15Caption, c.caption);
    EXPECT_EQ(r.Shown, SetpointPanel::Panel11);
    EXPECT_EQ(r.Edit4, std::optional<std::string>("0.01"));
    EXPECT_FALSE(r.Edit5.has_value());
    EXPECT_EQ(card.RangeUnipolar, 1);
  }
  bus.ClearLog();
  const SetpointButtonResult r = PressSetpointButton(s, card, 10);
  EXPECT_EQ(s.SetpointKind, "externe");
  EXPECT_EQ(r.Panel15Caption, "Consigne:Externe(0/10volts,Entrée analog. 0)");
  EXPECT_EQ(r.Shown, SetpointPanel::Panel17);
  EXPECT_FALSE(r.Edit4 || r.Edit5);
  EXPECT_TRUE(bus.Log().empty());
  EXPECT_THROW(PressSetpointButton(s, card, 5), std::invalid_argument);
}

TEST_F(SetpointTest, StepRisesAtCycleFiftyAndHoldsForever) {
  const auto v = Generate("echelon", {"", "4", "", ""}, 400);
  for (int n = 1; n <= 400; ++n) EXPECT_EQ(v[n - 1], n < 50 ? 0 : 4) << "cycle " << n;
  EXPECT_GE(s.GeneratorCounter, 105);
  EXPECT_LT(s.GeneratorCounter, 110);
}

TEST_F(SetpointTest, SquareStartsHighAndItsPeriodIsTheFirstWholeCycleCountNotBelowTwoH) {
  auto v = Generate("carr", {"0.5", "", "5", "2"}, 81);
  EXPECT_EQ(s.HalfPeriodCycles, 20);
  for (int n = 1; n <= 81; ++n) {
    const bool high = (n <= 20) || (n >= 41 && n <= 60) || n == 81;
    EXPECT_EQ(v[n - 1], high ? 7 : 3) << "cycle " << n;
  }
  v = Generate("carr", {"0.3", "", "5", "2"}, 135);
  for (int n = 1; n <= 135; ++n) {
    const int inPeriod = (n - 1) % 67 + 1;
    EXPECT_EQ(v[n - 1], inPeriod <= 33 ? 7 : 3) << "cycle " << n;
  }
}

TEST_F(SetpointTest, TriangleRisesOverHalfAPeriodThenFalls) {
  const auto v = Generate("triang", {"0.5", "", "5", "2"}, 41);
  const std::pair<int, double> expected[] = {{1, 3.2},  {10, 5.0}, {20, 7.0},
                                             {21, 6.8}, {40, 3.0}, {41, 3.2}};
  for (const auto& [n, volts] : expected)
    EXPECT_NEAR(static_cast<double>(v[n - 1]), volts, 1e-15) << "cycle " << n;
}

TEST_F(SetpointTest, SineStartsAtTheMeanRisingAndRestartsAfterSixtySixValuesAtPointThreeHz) {
  s.SetpointKind = "sin";
  SetpointFields f{"0.3", "", "5", "2"};
  ReadSetpointFields(s, f);
  s.GeneratorCounter = 0;
  std::vector<long double> v;
  for (int n = 1; n <= 66; ++n) {
    v.push_back(NextSetpoint(s, card));
    if (n < 66) {
      EXPECT_GT(s.GeneratorCounter, 0) << "cycle " << n;
    }
  }
  EXPECT_EQ(s.GeneratorCounter, 0);  // 6.2204 > 2 pi - 0.0942 = 6.1889
  EXPECT_GT(v[0], 5);
  EXPECT_NEAR(static_cast<double>(v[0]), 5 + 2 * std::sin(0.3 * 2 * std::numbers::pi * 0.05),
              1e-12);
  EXPECT_EQ(NextSetpoint(s, card), v[0]);  // cycle 67 repeats cycle 1
}

TEST_F(SetpointTest, ExternalSetpointConvertsChannelZeroWithoutConditioning) {
  bus.SetDefault(0x334, 0x08);
  bus.SetDefault(0x335, 0x00);
  s.SetpointKind = "externe";
  EXPECT_NEAR(static_cast<double>(NextSetpoint(s, card)), 5.1213, 1e-4);
  EXPECT_EQ(bus.Writes().front(), W(0x341, 1));
  bus.SetDefault(0x334, 0x00);
  bus.SetDefault(0x335, 0x10);
  EXPECT_NEAR(static_cast<double>(NextSetpoint(s, card)), 0.04, 1e-4);  // no 0.2 V floor
}

TEST_F(SetpointTest, PeriodicFieldsAreBoundedAndRewrittenWithTheValueUsed) {
  s.SetpointKind = "sin";
  SetpointFields f{"5", "", "9", "0.05"};
  ReadSetpointFields(s, f);
  EXPECT_EQ(s.SetpointFrequency, 2);
  EXPECT_EQ(f.Edit4, "2");
  EXPECT_EQ(s.SetpointPeriod, 0.5L);
  EXPECT_EQ(s.Mean, 7);
  EXPECT_EQ(f.Edit6, "7");
  EXPECT_EQ(s.Amplitude, 0.1L);
  EXPECT_EQ(f.Edit7, "0.1");

  s.valmoymini = 2.5L;
  s.amplimaxi = 2.25L;
  f = {"0.25", "", "1", "4"};
  ReadSetpointFields(s, f);
  EXPECT_EQ(f.Edit4, "0.25");
  EXPECT_EQ(s.SetpointPeriod, 4);
  EXPECT_EQ(s.Mean, 2.5L);
  EXPECT_EQ(f.Edit6, "2.5");
  EXPECT_EQ(s.Amplitude, 2.25L);
  EXPECT_EQ(f.Edit7, "2.25");
}

TEST_F(SetpointTest, StepFieldIsBoundedByTheHighestStepAndZero) {
  s.SetpointKind = "echelon";
  s.finalech = 7.5L;
  SetpointFields f{"abc", "9", "abc", "abc"};  // the periodic fields are not read
  ReadSetpointFields(s, f);
  EXPECT_EQ(s.StepLevel, 7.5L);
  EXPECT_EQ(f.Edit5, "7.5");
  f.Edit5 = "-1";
  ReadSetpointFields(s, f);
  EXPECT_EQ(s.StepLevel, 0);
  EXPECT_EQ(f.Edit5, "0");
}

TEST_F(SetpointTest, FailedReadKeepsThePreviousParametersAndShowsCorrectionsMadeSoFar) {
  s.SetpointKind = "carr";
  SetpointFields good{"0.5", "", "4", "1"};
  ReadSetpointFields(s, good);

  SetpointFields f{"-1", "", "5", "2"};
  try {
    ReadSetpointFields(s, f);
    FAIL() << "a frequency of 0 was accepted";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(), "Division par zéro en virgule flottante");
  }
  EXPECT_EQ(f.Edit4, "0");
  f = {"5", "", "x5", "2"};
  try {
    ReadSetpointFields(s, f);
    FAIL() << "a bad mean was accepted";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(), "'x5' n'est pas une valeur en virgule flottante correcte");
  }
  EXPECT_EQ(f.Edit4, "2");
  SetpointFields zero{"0", "", "5", "2"};
  EXPECT_THROW(ReadSetpointFields(s, zero), VantorError);
  EXPECT_EQ(s.SetpointFrequency, 0.5L);
  EXPECT_EQ(s.SetpointPeriod, 2);
  EXPECT_EQ(s.Mean, 4);
  EXPECT_EQ(s.Amplitude, 1);
}

}  // namespace
}  // namespace vantor
