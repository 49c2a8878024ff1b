// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>

#include "common/VantorError.h"
#include "regulation/Regulation.h"

namespace vantor {
namespace {

RegulationState CorrectorState() {
  RegulationState s;
  s.kpmax = 10;
  s.kdmax = 4;
  s.kimax = 2;
  s.ordremaxi = 10;
  s.ordremini = -10;
  s.SamplePeriodMs = 50;
  s.LoopMode = "fermee";
  return s;
}

TEST(CorrectorGains, BoundsAreAppliedAndFieldsRewrittenWithTheValueUsed) {
  RegulationState s = CorrectorState();
  GainFields f{"12", "-3", "1.5"};
  ReadGains(s, f);
  EXPECT_EQ(s.Kp, 10);
  EXPECT_EQ(f.Edit1, "10");
  EXPECT_EQ(s.Kd, 0);
  EXPECT_EQ(f.Edit2, "0");
  EXPECT_EQ(s.Ki, 1.5L);
  EXPECT_EQ(f.Edit3, "1.5");  // in range: the student's text stays as typed

  GainFields g{" 2.50", "4", "2"};
  ReadGains(s, g);
  EXPECT_EQ(s.Kp, 2.5L);
  EXPECT_EQ(g.Edit1, " 2.50");
  EXPECT_EQ(s.Kd, 4);  // equal to the bound: not a correction
  EXPECT_EQ(g.Edit2, "4");
}

TEST(CorrectorGains, TextThatDoesNotConvertStopsAfterTheGainsAlreadyRead) {
  RegulationState s = CorrectorState();
  s.Ki = 0.5L;
  GainFields f{"99", "1,5", "1"};
  try {
    ReadGains(s, f);
    FAIL() << "no error";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(),
                 "'1,5' n'est pas une valeur en virgule flottante correcte\nUtilisez le point "
                 "comme séparateur décimal (1.5).");
  }
  EXPECT_EQ(s.Kp, 10);  // Kp was read and bounded before the failure
  EXPECT_EQ(f.Edit1, "10");
  EXPECT_EQ(f.Edit2, "1,5");
  EXPECT_EQ(s.Ki, 0.5L);  // not reached
}

TEST(CorrectorFeedback, ReadingsBelowPointTwoVoltAreReplacedByThePreviousSample) {
  RegulationState s = CorrectorState();
  ConditionFeedback(s, 79);  // first cycle: no previous sample, 0 stands in
  EXPECT_EQ(s.Sample, 0);
  ConditionFeedback(s, 80);
  EXPECT_NEAR(static_cast<double>(s.Sample), 0.20005, 1e-5);
  EXPECT_GT(s.Sample, 0.2L);
  ConditionFeedback(s, 79);
  EXPECT_EQ(s.Sample, static_cast<long double>(static_cast<double>(CountsToVolts(80))));
  ConditionFeedback(s, 0);
  EXPECT_EQ(s.SampleHistory[0], s.SampleHistory[1]);
}

TEST(CorrectorFeedback, MeanOfTenRisesOverTheFirstTenCyclesOfASteadyInput) {
  RegulationState s = CorrectorState();
  s.SampleHistory.fill(3.0);
  ResetCorrector(s);                    // a new run forgets the previous run's samples
  const std::int32_t fiveVolts = 2000;  // 5.0012 V
  const long double volts = CountsToVolts(fiveVolts);
  EXPECT_NEAR(static_cast<double>(volts), 5.0, 2e-3);
  for (int cycle = 1; cycle <= 12; ++cycle) {
    ConditionFeedback(s, fiveVolts);
    const double expected = static_cast<double>(volts) * std::min(cycle, 10) / 10;
    EXPECT_NEAR(static_cast<double>(s.Feedback), expected, 1e-12) << "cycle " << cycle;
  }
  EXPECT_NEAR(static_cast<double>(CountsToVolts(4095)), 10.24, 1e-15);
}

TEST(CorrectorOrder, DerivativeSpikeDecaysByPointSixPerCycle) {
  RegulationState s = CorrectorState();
  s.Kd = 1;
  const long double errors[] = {0, 1, 1, 1, 1};
  const double raw[] = {0, 20, 0, 0, 0};
  const double decayed[] = {0, 20, 12, 7.2, 4.32};
  for (int i = 0; i < 5; ++i) {
    s.Feedback = 0;
    ComputeOrder(s, errors[i]);
    EXPECT_EQ(static_cast<double>(s.DTermRaw), raw[i]) << "cycle " << i;
    EXPECT_NEAR(static_cast<double>(s.DTerm), decayed[i], 1e-12) << "cycle " << i;
  }
}

TEST(CorrectorOrder, DecayRuleDependsOnThePreviousDerivative) {
  struct Case {
    long double prev, raw, expected;
  };
  const Case cases[] = {{10, 6, 6},    {10, 4, 10},    {10, -5, 1},
                        {-10, -6, -6}, {-10, -4, -10}, {0, -7, -7}};
  for (const Case& c : cases) {
    RegulationState s = CorrectorState();
    s.Kd = 1;
    s.PrevDTerm = c.prev;
    // DTermRaw = (Error - PrevError) x 1 x 1000 / 50, so an error step of raw / 20.
    s.Feedback = 0;
    ComputeOrder(s, c.raw / 20);
    EXPECT_NEAR(static_cast<double>(s.DTermRaw), static_cast<double>(c.raw), 1e-15);
    EXPECT_NEAR(static_cast<double>(s.DTerm), static_cast<double>(c.expected), 1e-12)
        << "PrevDTerm " << static_cast<double>(c.prev) << " raw " << static_cast<double>(c.raw);
    EXPECT_EQ(s.PrevDTerm, s.DTerm);
  }
}

TEST(CorrectorOrder, IntegralIncludesTheCurrentErrorAndHasNoAntiWindup) {
  RegulationState s = CorrectorState();
  s.Ki = 2;
  s.ordremaxi = 0.15L;
  for (int cycle = 1; cycle <= 5; ++cycle) {
    s.Feedback = 4;
    ComputeOrder(s, 5);  // error 1 V
    EXPECT_NEAR(static_cast<double>(s.ITerm), 0.1 * cycle, 1e-15);
    EXPECT_EQ(s.ErrorSum, cycle);
  }
  EXPECT_EQ(s.Order, 0.15L);  // held at the bound while the integral goes on growing
}

TEST(CorrectorOrder, SumOfTermsIsLimitedAndTheLowerBoundWinsWhenBoundsCross) {
  RegulationState s = CorrectorState();
  s.Kp = 9;
  s.ordremaxi = 8;
  s.ordremini = -8;
  s.Feedback = 0;
  ComputeOrder(s, 1);
  EXPECT_EQ(s.PTerm, 9);
  EXPECT_EQ(s.Order, 8);
  s.Feedback = 2;
  ComputeOrder(s, 1);  // -9 V of proportional order (Kd and Ki are 0)
  EXPECT_EQ(s.Order, -8);

  s.ordremaxi = 4;
  s.ordremini = 5;
  for (long double setpoint : {-3.0L, 0.0L, 4.5L, 9.0L}) {
    s.Feedback = 0;
    ComputeOrder(s, setpoint);
    EXPECT_EQ(s.Order, 5);
  }
}

TEST(CorrectorOrder, OpenLoopSendsTheSetpointWhileTermsAreStillComputed) {
  RegulationState s = CorrectorState();
  s.LoopMode = "Ouv";
  s.Kp = 2;
  s.Ki = 1;
  s.Feedback = 1;
  ComputeOrder(s, 3);
  EXPECT_EQ(s.Order, 3);
  EXPECT_EQ(s.Error, 2);
  EXPECT_EQ(s.PTerm, 4);
  EXPECT_NE(s.ITerm, 0);
  ComputeOrder(s, 12);
  EXPECT_EQ(s.Order, 10);  // still limited

  s.LoopMode = "ouv";  // only the exact word opens the loop
  s.Feedback = 1;
  ComputeOrder(s, 3);
  EXPECT_NE(s.Order, 3);
}

TEST(CorrectorOrder, ResetKeepsTheDerivativeMemoryOfThePreviousRun) {
  RegulationState s = CorrectorState();
  s.Error = 1;
  s.PrevError = 2;
  s.ErrorSum = 3;
  s.PrevDTerm = 4;
  s.DTerm = 5;
  s.SampleHistory.fill(6);
  ResetCorrector(s);
  EXPECT_EQ(s.Error, 0);
  EXPECT_EQ(s.PrevError, 0);
  EXPECT_EQ(s.ErrorSum, 0);
  for (double h : s.SampleHistory) EXPECT_EQ(h, 0);
  EXPECT_EQ(s.PrevDTerm, 4);
  EXPECT_EQ(s.DTerm, 5);
}

TEST(CorrectorOutput, OrderToCountLimitsThenRoundsHalvesToEven) {
  EXPECT_EQ(OrderToCount(0), 2048);
  EXPECT_EQ(OrderToCount(1), 1843);
  EXPECT_EQ(OrderToCount(2.5L), 1536);   // 1535.5
  EXPECT_EQ(OrderToCount(-0.5L), 2150);  // 2150.5
  EXPECT_EQ(OrderToCount(0.5L), 1946);   // 1945.5
  EXPECT_EQ(OrderToCount(10), 0);        // -2 limited
  EXPECT_EQ(OrderToCount(-10), 4095);    // 4098 limited
  EXPECT_EQ(OrderToCount(-9.98L), 4094);
  EXPECT_EQ(OrderToCount(1e30L), 0);
  EXPECT_EQ(OrderToCount(-1e30L), 4095);
}

}  // namespace
}  // namespace vantor
