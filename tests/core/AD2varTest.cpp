// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "RecordingBus.h"
#include "card/AD2var.h"
#include "common/VantorError.h"

namespace vantor {
namespace {

class AD2varTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card.CardInit(0x330, 0x340);
    bus.ClearLog();
  }
  RecordingBus bus;
  AD2var card{bus};
};

TEST(AD2varInit, CardInitWritesOutputsAtRestThenUnipolarChannel0) {
  RecordingBus bus;
  AD2var card(bus);
  card.CardInit(0x330, 0x340);
  const std::vector<PortAccess> expected = {
      W(0x340, 0),    W(0x334, 0), W(0x335, 0), W(0x336, 0), W(0x337, 8),
      R(0x337, 0xFF), W(0x334, 0), W(0x335, 0), W(0x336, 0), W(0x337, 8),
      R(0x337, 0xFF), W(0x341, 1), W(0x341, 1)};
  EXPECT_EQ(bus.Log(), expected);
  EXPECT_EQ(card.RangeUnipolar, 1);
  EXPECT_EQ(card.CurrentChannel, 0);
}

TEST_F(AD2varTest, OutOfRangeArgumentsAreIgnoredSilently) {
  card.SelectRange('x');
  card.SelectChannel(8);
  card.SelectChannel(-1);
  card.ProgramCounter(3, 0, 0, 50);
  card.ProgramCounter(1, 6, 0, 50);
  card.ProgramCounter(1, 0, 2, 50);
  EXPECT_TRUE(bus.Log().empty());
  EXPECT_EQ(card.RangeUnipolar, 1);
  EXPECT_EQ(card.CurrentChannel, 0);
}

TEST_F(AD2varTest, SelectChannelPacksChannelAndRange) {
  card.SelectChannel(3);
  card.SelectRange('b');
  EXPECT_EQ(bus.Writes(), (std::vector<PortAccess>{W(0x341, 7), W(0x341, 6)}));
}

TEST_F(AD2varTest, ProgramCounterWritesControlWordThenLowHigh) {
  card.ProgramCounter(1, 0, 0, 50);
  card.ProgramCounter(2, 3, 0, 2458);
  EXPECT_EQ(bus.Writes(),
            (std::vector<PortAccess>{W(0x333, 0x70), W(0x331, 0x32), W(0x331, 0x00), W(0x333, 0xB6),
                                     W(0x332, 0x9A), W(0x332, 0x09)}));
}

TEST_F(AD2varTest, OutputWritesResendTheOtherOutput) {
  card.SetOutput2(2048);
  card.SetOutput1(4095);
  bus.ClearLog();
  card.SetOutput2(2048);
  EXPECT_EQ(bus.Log(), (std::vector<PortAccess>{W(0x334, 0xFF), W(0x335, 0x0F), W(0x336, 0x00),
                                                W(0x337, 0x08), R(0x337, 0xFF)}));
}

TEST_F(AD2varTest, ConvertAnalogPollsStatusThenReadsBothRanges) {
  bus.Script(0x334, {0x85, 0x05, 0x05});
  bus.Script(0x335, {0x10});
  EXPECT_EQ(card.ConvertAnalog(), 1296);
  card.SelectRange('B');
  bus.Script(0x334, {0x85, 0x05, 0x05});
  bus.Script(0x335, {0x10});
  EXPECT_EQ(card.ConvertAnalog(), -752);
}

TEST_F(AD2varTest, DigitalInputsAreActiveLow) {
  bus.Script(0x340, {0x80, 0x00});
  EXPECT_EQ(card.ReadDigitalInputBit(7), 0);
  EXPECT_EQ(card.ReadDigitalInputBit(7), 1);
}

}  // namespace
}  // namespace vantor
