// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BoardLines.h"
#include "RecordingBus.h"
#include "ScriptedLine.h"
#include "card/AD2var.h"
#include "card/UsbBoard.h"
#include "common/VantorError.h"
#include "regulation/CorrectorLaw.h"
#include "regulation/Regulation.h"
#include "regulation/Trial.h"

namespace vantor {
namespace {

// A card at $330/$340 whose analog inputs are given per channel by a function, whose
// line 7 is high unless told otherwise, and which keeps every output update.
class TestCard : public PortBus {
 public:
  std::uint8_t PortRead(std::uint16_t port) override {
    switch (port) {
      case 0x336:
        result_ = Input(channel_);
        ++Conversions;
        return 0;
      case 0x334:
        return ConverterStuck ? 0x80 : static_cast<std::uint8_t>((result_ >> 8) & 0x0F);
      case 0x335:
        return static_cast<std::uint8_t>(result_ & 0xFF);
      case 0x337:
        Out1.push_back(static_cast<std::uint16_t>(latch_[0] | latch_[1] << 8));
        Out2.push_back(static_cast<std::uint16_t>(latch_[2] | latch_[3] << 8));
        return 0xFF;
      case 0x340:
        if (DieWhenLine7Low && (DigitalIn & 0x80) == 0) DeadOnWrite = true;
        return DigitalIn;
      default:
        return 0xFF;
    }
  }
  void PortWrite(std::uint16_t port, std::uint8_t value) override {
    if (DeadOnWrite) throw VantorError("bus mort");
    ++Writes;
    if (port == 0x341) channel_ = (value >> 1) & 7;
    if (port >= 0x334 && port <= 0x337) latch_[port - 0x334] = value;
  }

  std::function<int(int channel)> Input = [](int) { return 2000; };
  bool ConverterStuck = false;
  bool DeadOnWrite = false;
  bool DieWhenLine7Low = false;  // writes fail once a wait on a low line 7 has begun
  std::uint8_t DigitalIn = 0xFF;
  int Conversions = 0;
  int Writes = 0;
  std::vector<std::uint16_t> Out1, Out2;

 private:
  int channel_ = 0;
  int result_ = 0;
  std::uint8_t latch_[4] = {0, 0, 0, 0};
};

class FakeHost : public LoopHost {
 public:
  explicit FakeHost(RegulationState& s) : s_(s) {}
  void BeepAndMessage(const std::string& text) override { Events.push_back("beep " + text); }
  SetpointFields GetSetpointFields() override {
    Events.push_back("get");
    return Fields;
  }
  void SetSetpointFields(const SetpointFields& f) override {
    Events.push_back("set");
    Fields = f;
  }
  void SetRunControlsEnabled(bool enabled) override {
    Events.push_back(enabled ? "enable" : "disable");
  }
  void SetStatusText(const std::string& label1) override { Events.push_back("label1 " + label1); }
  void SetGauges(std::int32_t setpoint, std::int32_t feedback) override {
    Gauges.push_back({setpoint, feedback});
  }
  void ProcessMessagesOnce() override {
    ++Turns;
    if (OnTurn) OnTurn(Turns);
    if (Turns == StopAtTurn) s_.StopRequested = 1;
  }
  void PlotRecord() override { Events.push_back("plot"); }
  double Seconds() override { return Time ? Time() : LoopHost::Seconds(); }

  SetpointFields Fields;
  std::function<double()> Time;  // the clock the periods are measured on
  std::vector<std::string> Events;
  std::vector<std::pair<std::int32_t, std::int32_t>> Gauges;
  int Turns = 0;
  int StopAtTurn = 10;
  std::function<void(int)> OnTurn;

 private:
  RegulationState& s_;
};

class RunRegulationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card.CardInit(0x330, 0x340);
    card.SelectRange('u');
    card.SetOutput2(2048);
    card.SetOutput1(0);
    card.Line7Bound = std::chrono::milliseconds(20);
    card.ConversionBound = std::chrono::milliseconds(20);
    bus.Out1.clear();
    bus.Out2.clear();
    bus.Writes = 0;
    bus.Conversions = 0;
    s.StopRequested = 1;
    s.SamplePeriodMs = 50;
    s.LoopMode = "fermee";
    s.finalech = 8;
    s.valmoymini = 2;
    s.valmoymaxi = 7;
    s.amplimaxi = 3;
    s.ordremaxi = 10;
    s.ordremini = -10;
    s.kpmax = 16;
    s.kdmax = 4;
    s.kimax = 2;
    s.SetpointFrequency = 0.01L;
    s.SetpointPeriod = 1 / s.SetpointFrequency;
    host.Fields = {"0.5", "4", "5", "2"};
  }

  // A record left by an earlier run: every entry 7, so untouched entries stand out.
  void FillRecord(std::int32_t value) { s.RunRecord.fill(value); }

  void ExpectEndedCleanly() {
    EXPECT_EQ(s.Order, 0);
    EXPECT_EQ(s.StopRequested, 1);
    ASSERT_FALSE(bus.Out2.empty());
    EXPECT_EQ(bus.Out2.back(), 2048);
    EXPECT_EQ(card.Output2Count, 2048);
    ASSERT_GE(host.Events.size(), 3u);
    const std::vector<std::string> tail(host.Events.end() - 3, host.Events.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"label1 " + std::string(kStoppedText), "enable", "plot"}));
  }

  TestCard bus;
  AD2var card{bus};
  RegulationState s;
  FakeHost host{s};
};

TEST_F(RunRegulationTest, TenCycleRunFillsEntriesOneToTenAndClearsTheRest) {
  FillRecord(7);
  s.SetpointKind = "carr";
  s.Kp = 1;
  RunRegulation(s, card, host);

  EXPECT_EQ(host.Turns, 10);
  EXPECT_EQ(s.RecordPos, 10);
  for (int series = 0; series < kRecordSeries; ++series) {
    EXPECT_EQ(s.RecordAt(series, 0), 7) << "entry 0 is never written, series " << series;
    EXPECT_EQ(s.RecordAt(series, 2000), 7) << "entry 2000 is never written";
    for (int k = 11; k <= 1999; ++k) ASSERT_EQ(s.RecordAt(series, k), 0) << series << "/" << k;
  }
  for (int k = 1; k <= 10; ++k) {
    EXPECT_EQ(s.RecordAt(kSeriesSetpoint, k), 700);  // square 5 +/- 2, high half
    const double feedback = 2000 * 10.24 / 4095 * k / 10;
    EXPECT_EQ(s.RecordAt(kSeriesFeedback, k), std::lround(feedback * 100)) << k;
    EXPECT_EQ(s.RecordAt(kSeriesError, k), std::lround((7 - feedback) * 100)) << k;
    EXPECT_EQ(s.RecordAt(kSeriesPTerm, k), s.RecordAt(kSeriesError, k));
    EXPECT_EQ(s.RecordAt(kSeriesITerm, k), 0);
  }
  // The fields were read and written back first, then the run went through its steps.
  const std::vector<std::string> expected = {"get",
                                             "set",
                                             "disable",
                                             "label1 " + std::string(kRunningText),
                                             "label1 " + std::string(kStoppedText),
                                             "enable",
                                             "plot"};
  EXPECT_EQ(host.Events, expected);
  ASSERT_EQ(host.Gauges.size(), 10u);
  EXPECT_EQ(host.Gauges[3], std::make_pair(700, s.RecordAt(kSeriesFeedback, 4)));
  // One output update per cycle, then the 0 V order.
  EXPECT_EQ(bus.Out2.size(), 11u);
  EXPECT_EQ(bus.Out2[0], OrderToCount(s.RecordAt(kSeriesOrder, 1) / 100.0L));
  ExpectEndedCleanly();
  EXPECT_EQ(s.SetpointFrequency, 0.5L);
  EXPECT_EQ(host.Fields.Edit4, "0.5");
}

TEST_F(RunRegulationTest, LateCyclesAreCountedAndMarkedWhereTheyAreRecorded) {
  // Cycle n lasts 50 ms, except cycle 3 (56 ms), 7 (54.9 ms, in time) and 9 (80 ms).
  std::vector<double> periods(13, 0.050);
  periods[3] = 0.056;
  periods[7] = 0.0549;
  periods[9] = 0.080;
  double now = 100;
  int calls = 0;
  host.Time = [&] {
    if (calls > 0) now += periods[static_cast<std::size_t>(calls)];
    ++calls;
    return now;
  };
  host.StopAtTurn = 12;
  s.SetpointKind = "echelon";
  RunRegulation(s, card, host);
  EXPECT_EQ(s.Pacing.Cycles, 12);
  EXPECT_EQ(s.Pacing.LateCycles, 2);
  EXPECT_NEAR(s.Pacing.LongestPeriod, 0.080, 1e-9);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(s.Pacing.LateEntry[k], k == 3 || k == 9) << k;
  EXPECT_EQ(PacingText(s.Pacing), "Cycles en retard (plus de 55 ms) : 2 sur 12");
  EXPECT_EQ(Lateness(s.Pacing), LatenessLevel::Many);
  // Up to 2 % of the cycles late is a few: 2 of 171 is not alarming, 4 of 171 is.
  RunPacing p;
  p.Cycles = 171;
  p.LateCycles = 2;
  EXPECT_EQ(Lateness(p), LatenessLevel::Few);
  p.LateCycles = 4;
  EXPECT_EQ(Lateness(p), LatenessLevel::Many);

  // The next run starts afresh.
  std::fill(periods.begin(), periods.end(), 0.050);
  calls = 0;
  host.Turns = 0;
  RunRegulation(s, card, host);
  EXPECT_EQ(s.Pacing.LateCycles, 0);
  EXPECT_FALSE(s.Pacing.LateEntry[9]);
}

TEST_F(RunRegulationTest, LongRunKeepsTheFirst1997CyclesAndTheLastOneInEntry1998) {
  // The external setpoint tells the cycles apart: 2n counts at cycle n, a marker at the
  // last cycle.
  int cycle = 0;
  bus.Input = [&](int channel) {
    if (channel == 1) return 2000;
    ++cycle;
    if (cycle == 2500) return 4000;
    return cycle <= 1997 ? 2 * cycle : 100;
  };
  s.SetpointKind = "externe";
  host.StopAtTurn = 2500;
  RunRegulation(s, card, host);

  EXPECT_EQ(cycle, 2500);
  EXPECT_EQ(s.RecordPos, 1998);
  for (int k = 1; k <= 1997; ++k)
    ASSERT_EQ(s.RecordAt(kSeriesSetpoint, k), std::lround(2 * k * 1024.0 / 4095)) << k;
  EXPECT_EQ(s.RecordAt(kSeriesSetpoint, 1998), 1000);
  EXPECT_EQ(s.RecordAt(kSeriesSetpoint, 1999), 0);
  // No fields are read for the external setpoint.
  EXPECT_EQ(host.Events.front(), "disable");
  ExpectEndedCleanly();
}

TEST_F(RunRegulationTest, EachCycleProgramsTheTimerThenSetpointFeedbackOutputAndWait) {
  RecordingBus rec;
  rec.SetDefault(0x334, 0x07);
  rec.SetDefault(0x335, 0xD0);
  AD2var recCard(rec);
  recCard.CardInit(0x330, 0x340);
  rec.ClearLog();
  s.SetpointKind = "externe";
  s.Kp = 1;  // 2000 counts on both inputs: order 5.0012 - 0.50012 V, count 1125
  host.StopAtTurn = 1;
  RunRegulation(s, recCard, host);
  const std::vector<PortAccess> expected = {
      W(0x333, 0x70), W(0x331, 0x32), W(0x331, 0x00),                  // counter 1, 50
      W(0x333, 0xB6), W(0x332, 0x9A), W(0x332, 0x09),                  // counter 2, 2458
      W(0x341, 1),    R(0x336, 0xFF), R(0x334, 0x07), R(0x334, 0x07),  // setpoint, channel 0
      R(0x335, 0xD0), W(0x341, 3),    R(0x336, 0xFF), R(0x334, 0x07),  // feedback, channel 1
      R(0x334, 0x07), R(0x335, 0xD0), W(0x334, 0x00), W(0x335, 0x00),  // output update
      W(0x336, 0x65), W(0x337, 0x04), R(0x337, 0xFF), R(0x340, 0xFF),  // wait on line 7
      W(0x334, 0x00), W(0x335, 0x00), W(0x336, 0x00), W(0x337, 0x08), R(0x337, 0xFF)};
  EXPECT_EQ(rec.Log(), expected);
}

TEST_F(RunRegulationTest, OpenLoopRecordsTheLimitedSetpointAsTheOrder) {
  s.LoopMode = "Ouv";
  s.SetpointKind = "carr";
  s.Kp = 2;
  s.ordremaxi = 6;
  host.StopAtTurn = 40;
  RunRegulation(s, card, host);
  for (int k = 1; k <= 40; ++k) {
    const bool high = k <= 20;
    EXPECT_EQ(s.RecordAt(kSeriesSetpoint, k), high ? 700 : 300) << k;
    EXPECT_EQ(s.RecordAt(kSeriesOrder, k), high ? 600 : 300) << k;
    EXPECT_NE(s.RecordAt(kSeriesError, k), 0) << k;
    EXPECT_NEAR(s.RecordAt(kSeriesPTerm, k), 2 * s.RecordAt(kSeriesError, k), 1) << k;
  }
  EXPECT_EQ(bus.Out2[0], OrderToCount(6));
  EXPECT_EQ(bus.Out2[39], OrderToCount(3));
  ExpectEndedCleanly();
}

TEST_F(RunRegulationTest, ActiveOutputOneIsResentWithEveryOutputUpdate) {
  card.SetOutput1(4095);
  bus.Out1.clear();
  bus.Out2.clear();
  s.SetpointKind = "echelon";
  s.Kp = 3;
  host.StopAtTurn = 60;
  RunRegulation(s, card, host);
  ASSERT_EQ(bus.Out1.size(), 61u);
  for (std::uint16_t c : bus.Out1) EXPECT_EQ(c, 0x0FFF);  // bytes 0xFF, 0x0F
  EXPECT_NE(bus.Out2[48], bus.Out2[49]);                  // the step at cycle 50 moved the order
  ExpectEndedCleanly();
}

TEST_F(RunRegulationTest, BadSetpointFieldLeavesTheWindowUsableAndTheLastRunIntact) {
  FillRecord(7);
  s.SetpointKind = "sin";
  s.Mean = 4;
  s.StopRequested = 1;
  host.Fields = {"5", "", "abc", "2"};
  try {
    RunRegulation(s, card, host);
    FAIL() << "the run started";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(), "'abc' n'est pas une valeur en virgule flottante correcte");
  }
  EXPECT_EQ(host.Events, (std::vector<std::string>{"get", "set"}));
  EXPECT_EQ(host.Fields.Edit4, "2");  // the correction made before the failure is shown
  for (std::int32_t v : s.RunRecord) ASSERT_EQ(v, 7);
  EXPECT_EQ(s.Mean, 4);
  EXPECT_EQ(s.StopRequested, 1);
  EXPECT_EQ(bus.Writes, 0);
  EXPECT_EQ(bus.Conversions, 0);

  host.Events.clear();
  host.Fields = {"-0.5", "", "5", "2"};
  EXPECT_THROW(RunRegulation(s, card, host), VantorError);
  EXPECT_EQ(host.Fields.Edit4, "0");
  EXPECT_EQ(host.Events, (std::vector<std::string>{"get", "set"}));
  EXPECT_EQ(bus.Writes, 0);
  EXPECT_EQ(s.SetpointPeriod, 100);
}

TEST_F(RunRegulationTest, NoSetpointChosenBeepsAndRedrawsWithoutTouchingTheCard) {
  FillRecord(7);
  GainFields gains{"20", "1", "1"};
  ReadGains(s, gains);  // "Début" reads the gains before the run
  RunRegulation(s, card, host);
  EXPECT_EQ(s.Kp, 16);
  EXPECT_EQ(gains.Edit1, "16");
  EXPECT_EQ(host.Events, (std::vector<std::string>{"beep Entrer une consigne", "enable", "plot"}));
  EXPECT_EQ(bus.Writes, 0);
  EXPECT_EQ(bus.Conversions, 0);
  for (std::int32_t v : s.RunRecord) ASSERT_EQ(v, 7);
}

TEST_F(RunRegulationTest, ClockThatStopsEndsTheRunCleanlyAndReportsIt) {
  s.SetpointKind = "echelon";
  host.OnTurn = [&](int turn) {
    if (turn == 3) bus.DigitalIn = 0x00;  // line 7 stays low from cycle 4 on
  };
  host.StopAtTurn = 100;
  try {
    RunRegulation(s, card, host);
    FAIL() << "no error";
  } catch (const VantorError& e) {
    EXPECT_NE(std::string(e.what()).find("entrée logique 7"), std::string::npos) << e.what();
  }
  EXPECT_EQ(host.Turns, 3);
  EXPECT_EQ(s.RecordPos, 4);  // cycle 4 was recorded before its wait failed
  ExpectEndedCleanly();
}

TEST_F(RunRegulationTest, ConverterThatStaysBusyEndsTheRunCleanly) {
  s.SetpointKind = "carr";
  host.OnTurn = [&](int turn) { bus.ConverterStuck = turn == 5; };
  host.StopAtTurn = 100;
  EXPECT_THROW(RunRegulation(s, card, host), VantorError);
  EXPECT_EQ(s.RecordPos, 5);
  ExpectEndedCleanly();
}

TEST_F(RunRegulationTest, DeadCardDoesNotHideTheFirstErrorNorSkipTheEnd) {
  s.SetpointKind = "carr";
  host.StopAtTurn = 100;
  host.OnTurn = [&](int turn) {
    if (turn == 2) bus.DeadOnWrite = true;  // cycle 3 cannot program the timer
  };
  try {
    RunRegulation(s, card, host);
    FAIL() << "no error";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(), "bus mort");
  }
  EXPECT_EQ(s.Order, 0);
  EXPECT_EQ(s.StopRequested, 1);
  EXPECT_EQ(s.RecordPos, 2);
  const std::vector<std::string> tail(host.Events.end() - 3, host.Events.end());
  EXPECT_EQ(tail,
            (std::vector<std::string>{"label1 " + std::string(kStoppedText), "enable", "plot"}));

  // The clock stops first, then the return of output 2 to 0 V fails as well: the clock
  // is what gets reported, and the end of the run still happens.
  host.Events.clear();
  host.Turns = 0;
  bus.DeadOnWrite = false;
  bus.DieWhenLine7Low = true;
  host.OnTurn = [&](int turn) {
    if (turn == 1) bus.DigitalIn = 0x00;
  };
  try {
    RunRegulation(s, card, host);
    FAIL() << "no error";
  } catch (const VantorError& e) {
    EXPECT_NE(std::string(e.what()).find("entrée logique 7"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(bus.DeadOnWrite);
  EXPECT_EQ(s.Order, 0);
  EXPECT_EQ(host.Events.back(), "plot");
}

TEST_F(RunRegulationTest, PlotDrawsEntriesZeroTo1900AndAMeanLineExceptForTheStep) {
  s.SetpointKind = "carr";
  host.StopAtTurn = 30;
  RunRegulation(s, card, host);
  auto plot = std::make_unique<RecordPlot>();
  auto run = std::make_unique<Trial>(TrialFromState(s, RunProcess{}));
  BuildRecordPlot(*run, *plot);
  EXPECT_EQ(plot->X[0], 0);
  EXPECT_NEAR(static_cast<double>(plot->X[1]), 0.05, 1e-18);
  EXPECT_NEAR(static_cast<double>(plot->X[kPlotEntries - 1]), 95.0, 1e-9);
  EXPECT_EQ(plot->Setpoint[0], 0);
  EXPECT_EQ(plot->Setpoint[1], 7);
  EXPECT_EQ(plot->Setpoint[21], 3);
  EXPECT_EQ(plot->Feedback[30], s.RecordAt(kSeriesFeedback, 30) / 100.0L);
  EXPECT_EQ(plot->Setpoint[31], 0);
  EXPECT_TRUE(plot->HasMeanLine);
  EXPECT_EQ(plot->MeanLine, 5);

  run->SetpointKind = "echelon";
  BuildRecordPlot(*run, *plot);
  EXPECT_FALSE(plot->HasMeanLine);
  run->SetpointKind.clear();  // no setpoint chosen yet: the line at the mean, 0 V
  run->Mean = 0;
  BuildRecordPlot(*run, *plot);
  EXPECT_TRUE(plot->HasMeanLine);
  EXPECT_EQ(plot->MeanLine, 0);
}

TEST_F(RunRegulationTest, RunRefusedWhenTheStartUpDidNotFinish) {
  s.SamplePeriodMs = 0;
  s.SetpointKind = "echelon";
  EXPECT_THROW(RunRegulation(s, card, host), VantorError);
  EXPECT_TRUE(host.Events.empty());
  EXPECT_EQ(bus.Writes, 0);
}

// Logs the run's events in the host's own list, so their order among the host's calls
// shows.
class LoggingObserver : public RunObserver {
 public:
  explicit LoggingObserver(std::vector<std::string>& log) : log_(log) {}
  void RunStarted(const RegulationState& s) override {
    log_.push_back("started " + std::to_string(s.RecordAt(kSeriesFeedback, 5)));
  }
  void CycleRecorded(const RegulationState& s) override {
    log_.push_back("cycle " + std::to_string(s.RecordPos));
  }
  void RunEnded(const RegulationState& s) override {
    log_.push_back("ended " + std::to_string(s.RecordPos) + " order " +
                   std::to_string(s.Order == 0));
  }

 private:
  std::vector<std::string>& log_;
};

TEST_F(RunRegulationTest, ObserversHearTheStartEachCycleAndTheEndEvenWhenTheCardFails) {
  LoggingObserver observer(host.Events);
  RunEvents events;
  events.Add(observer);
  const std::string stopped = "label1 " + std::string(kStoppedText);
  const std::string running = "label1 " + std::string(kRunningText);

  // "Début" without a setpoint starts no run.
  RunRegulation(s, card, host, events);
  EXPECT_EQ(std::count_if(host.Events.begin(), host.Events.end(),
                          [](const std::string& e) { return e.rfind("started", 0) == 0; }),
            0);

  FillRecord(7);
  s.SetpointKind = "echelon";
  s.Kp = 1;
  host.Events.clear();
  host.StopAtTurn = 3;
  RunRegulation(s, card, host, events);
  EXPECT_EQ(host.Events, (std::vector<std::string>{"get", "set", "disable", "started 0", running,
                                                   "cycle 1", "cycle 2", "cycle 3", stopped,
                                                   "enable", "ended 3 order 1", "plot"}));

  // A converter that stays busy in the second cycle: the run still ends, once.
  host.Events.clear();
  host.Turns = 0;
  host.StopAtTurn = 10;
  host.OnTurn = [this](int turn) {
    if (turn == 1) bus.ConverterStuck = true;
  };
  EXPECT_THROW(RunRegulation(s, card, host, events), VantorError);
  const std::vector<std::string> tail(host.Events.end() - 4, host.Events.end());
  EXPECT_EQ(tail, (std::vector<std::string>{stopped, "enable", "ended 1 order 1", "plot"}));
  EXPECT_EQ(bus.Out2.back(), 2048);
}

// A law that always asks for the same order.
class ConstantLaw : public CorrectorLaw {
 public:
  long double Order(const RegulationState&, long double) override { return Volts; }
  void BeginRun(const RegulationState&) override { ++Runs; }
  std::string Name() const override { return "constante"; }
  long double Volts = 3;
  int Runs = 0;
};

TEST_F(RunRegulationTest, AnotherLawGivesTheOrderWithinTheLimitsWhileTheTermsAreStillRecorded) {
  s.SetpointKind = "echelon";
  s.Kp = 2;
  host.StopAtTurn = 4;
  ConstantLaw law;
  law.Volts = 12;  // beyond ordremaxi
  s.Law = &law;
  RunRegulation(s, card, host);
  EXPECT_EQ(law.Runs, 1);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(s.RecordAt(kSeriesOrder, k), 1000) << k;  // limited to ordremaxi
    EXPECT_NE(s.RecordAt(kSeriesError, k), 0) << k;
    EXPECT_NEAR(s.RecordAt(kSeriesPTerm, k), 2 * s.RecordAt(kSeriesError, k), 1) << k;
  }
  EXPECT_EQ(bus.Out2[1], OrderToCount(10));

  // Without it, the loop mode's law again: the open loop sends the setpoint.
  s.Law = nullptr;
  s.LoopMode = "Ouv";
  host.Turns = 0;
  RunRegulation(s, card, host);
  EXPECT_EQ(s.RecordAt(kSeriesOrder, 4), s.RecordAt(kSeriesSetpoint, 4));
}

// A USB board on a scripted line that answers its banner, the start and each order with
// the next frame while Answering, and is silent otherwise.
struct FakeBoard {
  FakeBoard() {
    auto owned = std::make_unique<ScriptedLine>();
    line = owned.get();
    board = std::make_unique<UsbBoard>(std::move(owned));
    board->BannerBound = std::chrono::milliseconds(60);
    board->FrameMargin = std::chrono::milliseconds(20);
    line->OnSend = [this](const std::string& bytes) {
      if (!Answering) return;
      if (bytes == board_lines::Sealed("V")) {
        line->Arrive(board_lines::Sealed("VANTOR-USB 1 1.0"));
      } else if (bytes.rfind("S", 0) == 0) {
        seq = 0;
        line->Arrive(board_lines::Sealed(board_lines::FramePayload(0, 0, 1000, 0x03)));
      } else if (bytes.rfind("O", 0) == 0 && bytes.substr(1, 4) == Hex4(seq)) {
        ++seq;
        line->Arrive(board_lines::Sealed(board_lines::FramePayload(seq, 0, 1000 + seq, 0x01)));
      }
    };
  }
  static std::string Hex4(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", v);
    return text;
  }
  // What was sent since `from`, first letters only: "XV" for the banner asked, "S" a start.
  std::string Commands(std::size_t from = 0) const {
    std::string letters;
    for (std::size_t i = from; i < line->Sent.size(); ++i) letters += line->Sent[i][0];
    return letters;
  }

  bool Answering = true;
  ScriptedLine* line = nullptr;
  std::unique_ptr<UsbBoard> board;

 private:
  unsigned seq = 0;
};

// A board that stops answering ends the run and stays failed; the next run re-arms it
// (its banner asked again) before its first cycle and goes through.
TEST_F(RunRegulationTest, ABoardThatFellSilentIsResetBeforeTheNextRunAndWorksAgain) {
  FakeBoard fake;
  UsbBoard& board = *fake.board;
  board.Initialise();
  board.PutOutputsAtRest();
  EXPECT_FALSE(board.Failed());
  s.SetpointKind = "echelon";
  s.Kp = 1;
  host.StopAtTurn = 20;
  host.OnTurn = [&](int turn) { fake.Answering = turn < 4; };
  try {
    RunRegulation(s, board, host);
    FAIL() << "no error";
  } catch (const VantorError& e) {
    EXPECT_NE(std::string(e.what()).find("ne répond plus"), std::string::npos) << e.what();
    ASSERT_TRUE(board.Failed());
    EXPECT_EQ(board.FailureReason(), e.what());
  }
  EXPECT_EQ(s.StopRequested, 1);
  EXPECT_EQ(host.Events.back(), "plot");

  // The board answers again: the run asks for its banner before starting it.
  fake.Answering = true;
  host.OnTurn = nullptr;
  host.Turns = 0;
  host.StopAtTurn = 6;
  host.Events.clear();
  const std::size_t before = fake.line->Sent.size();
  RunRegulation(s, board, host);
  EXPECT_FALSE(board.Failed());
  EXPECT_EQ(fake.Commands(before).substr(0, 4), "XVSO");
  EXPECT_EQ(host.Turns, 6);
  EXPECT_EQ(s.RecordPos, 6);
  EXPECT_EQ(board.RunCount().Frames, 7);  // the start's, then one a cycle
  EXPECT_GT(s.RecordAt(kSeriesFeedback, 6), s.RecordAt(kSeriesFeedback, 1));
}

// A failed card whose reset fails starts no run: nothing disabled or cleared, the
// outputs at rest, and the message says why.
TEST_F(RunRegulationTest, ACardWhoseResetFailsStartsNoRunAndIsLeftAtRest) {
  s.SetpointKind = "echelon";
  host.StopAtTurn = 100;
  host.OnTurn = [&](int turn) { bus.ConverterStuck = turn == 2; };
  EXPECT_THROW(RunRegulation(s, card, host), VantorError);
  ASSERT_TRUE(card.Failed());
  EXPECT_NE(card.FailureReason().find("convertisseur"), std::string::npos);

  FillRecord(7);
  card.SetOutput1(4095);  // "Sortie1(10v)" between the runs
  host.Events.clear();
  host.OnTurn = nullptr;
  const int conversions = bus.Conversions;
  try {
    RunRegulation(s, card, host);
    FAIL() << "no error";
  } catch (const VantorError& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.rfind("La régulation ne peut pas démarrer", 0), 0u) << what;
    EXPECT_NE(what.find("le convertisseur analogique-numérique reste occupé"), std::string::npos)
        << what;
  }
  EXPECT_TRUE(card.Failed());
  EXPECT_EQ(host.Events, (std::vector<std::string>{"get", "set"}));
  EXPECT_EQ(bus.Conversions, conversions + 1);  // the reset's, no cycle's
  for (std::int32_t v : s.RunRecord) ASSERT_EQ(v, 7);
  ASSERT_FALSE(bus.Out1.empty());
  EXPECT_EQ(bus.Out1.back(), 0);
  EXPECT_EQ(bus.Out2.back(), 2048);

  // The converter answers again: the reset brings the card back, output 1 as it was left.
  bus.ConverterStuck = false;
  host.Turns = 0;
  host.StopAtTurn = 3;
  RunRegulation(s, card, host);
  EXPECT_FALSE(card.Failed());
  EXPECT_EQ(s.RecordPos, 3);
  EXPECT_EQ(bus.Out1.back(), 0);

  // The USB board that does not give its banner again.
  FakeBoard fake;
  fake.board->Initialise();
  fake.board->MarkFailed("carte muette");
  fake.Answering = false;
  host.Events.clear();
  try {
    RunRegulation(s, *fake.board, host);
    FAIL() << "no error";
  } catch (const VantorError& e) {
    EXPECT_NE(std::string(e.what()).find("L'interface USB ne répond pas sur /dev/ttyTEST"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(fake.Commands().find('S'), std::string::npos) << fake.Commands();
  EXPECT_EQ(host.Events, (std::vector<std::string>{"get", "set"}));
}

}  // namespace
}  // namespace vantor
