// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "regulation/PrintCaption.h"

namespace vantor {
namespace {

TEST(PrintCaption, AStepShowsItsLevelAndTheGains) {
  RegulationState s;
  s.SetpointKind = "echelon";
  s.StepLevel = 2;
  s.Kp = 1.5L;
  s.Ki = 0.2L;
  EXPECT_EQ(BuildPrintCaption("Consigne: Echelon", s),
            "Consigne: Echelon(amplitude:2.000)  , Kp:1.500, Kd:0.000, Ki:0.200");
}

TEST(PrintCaption, EveryOtherKindShowsMeanAmplitudeAndFrequency) {
  RegulationState s;  // no kind chosen yet: start values
  s.SetpointFrequency = 0.01L;
  EXPECT_EQ(BuildPrintCaption("Consigne:? ", s),
            "Consigne:? (moyenne:0.000,amplitude:0.000,f:0.010hz)  , Kp:0.000, Kd:0.000, "
            "Ki:0.000");
  s.SetpointKind = "externe";
  s.Mean = 123.4567L;
  s.Amplitude = -2.5L;
  EXPECT_EQ(BuildPrintCaption("Consigne:Externe(0/10volts,Entrée analog. 0)", s),
            "Consigne:Externe(0/10volts,Entrée analog. 0)(moyenne:123.460,amplitude:-2.500,"
            "f:0.010hz)  , Kp:0.000, Kd:0.000, Ki:0.000");
}

TEST(PrintCaption, TracePageMeasures) {
  // A4 at 600 dpi, printable area 4760 x 6779 pixels.
  const TracePage p = ComputeTracePage(4760, 6779);
  EXPECT_EQ(p.mx, 952);
  EXPECT_EQ(p.my, 678);  // 677.9
  EXPECT_EQ(p.cw, 4760 - 2 * 952);
  EXPECT_EQ(p.ch, (6779 - 2 * 678) / 2);
  EXPECT_EQ(p.captionY, 339);
  EXPECT_EQ(p.left, 952);
  EXPECT_EQ(p.top, 1356);
  EXPECT_EQ(p.right, 4760 - 952);
  EXPECT_EQ(p.bottom, 1356 + p.ch);
  // Halves go to the even neighbour: 10 * 20 / 100 = 2, 25 * 10 / 100 = 2.5 -> 2.
  EXPECT_EQ(ComputeTracePage(10, 25).my, 2);
  EXPECT_EQ(ComputeTracePage(10, 35).my, 4);
}

}  // namespace
}  // namespace vantor
