// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated card seen through the driver: converter, multiplexer and ranges,
// outputs and their update read, digital lines, and the empty bus around the card.
#include <gtest/gtest.h>

#include <memory>

#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "common/VantorError.h"
#include "simulation/Clock.h"
#include "simulation/ConstantInputs.h"
#include "simulation/DcMotorPosition.h"

namespace vantor {
namespace {

class SimulatedCardTest : public ::testing::Test {
 protected:
  void SetUp() override { driver.CardInit(0x330, 0x340); }
  // Puts `volts` on input 1 and the external setpoint on input 0, noise off.
  void Wire(double input1Volts, double setpointVolts) {
    auto process = std::make_unique<DcMotorPosition>();
    process->NoiseVolts = 0.0;
    process->SensorOffsetVolts = input1Volts;
    process->SensorMinVolts = -20.0;
    process->SensorMaxVolts = 20.0;
    card.SetProcess(std::move(process));
    card.SetExternalSetpointVolts(setpointVolts);
  }
  std::int32_t Convert(int channel) {
    driver.SelectChannel(channel);
    return driver.ConvertAnalog();
  }

  VirtualClock clock;
  SimulatedCard card{clock};
  AD2var driver{card};
};

TEST_F(SimulatedCardTest, KnownVoltagesConvertInBothRanges) {
  struct Case {
    double volts;
    std::int32_t unipolar;
    std::int32_t bipolar;
  };
  // Unipolar: round(v × 4095 / 10.24) limited to 0..4095; bipolar: round(v × 2048 / 10.24)
  // limited to -2048..2047, which the driver gives back signed.
  const Case cases[] = {{0.0, 0, 0},         {5.0, 2000, 1000},  {2.5, 1000, 500},
                        {10.24, 4095, 2047}, {11.0, 4095, 2047}, {-1.0, 0, -200},
                        {-10.24, 0, -2048},  {-12.0, 0, -2048},  {0.2, 80, 40},
                        {7.3, 2919, 1460},   {10.0, 3999, 2000}};
  for (const Case& c : cases) {
    Wire(c.volts, 0.0);
    driver.SelectRange('u');
    EXPECT_EQ(Convert(1), c.unipolar) << c.volts << " V unipolar";
    driver.SelectRange('b');
    EXPECT_EQ(Convert(1), c.bipolar) << c.volts << " V bipolar";
  }
}

TEST_F(SimulatedCardTest, ChannelZeroCarriesTheExternalSetpointOtherChannelsAreGrounded) {
  Wire(3.0, 6.0);
  EXPECT_EQ(Convert(0), 2399);
  EXPECT_EQ(Convert(1), 1200);
  for (int channel = 2; channel <= 7; ++channel) EXPECT_EQ(Convert(channel), 0) << channel;
  card.SetExternalSetpointVolts(-2.0);
  driver.SelectRange('B');
  EXPECT_EQ(Convert(0), -400);
  EXPECT_EQ(card.SelectedChannel(), 0);
  EXPECT_FALSE(card.UnipolarRange());
}

TEST_F(SimulatedCardTest, ConstantInputsGiveExactCountsAndOverrideTheSetpoint) {
  card.SetExternalSetpointVolts(9.0);
  for (int counts : {0, 1, 79, 80, 2047, 2048, 4094, 4095}) {
    card.SetProcess(std::make_unique<ConstantInputs>(4095 - counts, counts));
    EXPECT_EQ(Convert(1), counts);
    EXPECT_EQ(Convert(0), 4095 - counts);
  }
}

TEST_F(SimulatedCardTest, ConversionKeepsTheBusyBitForTenMicroseconds) {
  card.SetProcess(std::make_unique<ConstantInputs>(0, 0x5A3));
  driver.SelectChannel(1);
  (void)card.PortRead(0x336);
  const double start = clock.Now();
  int busyPolls = 0;
  while (card.PortRead(0x334) & 0x80) ++busyPolls;
  const double busy = clock.Now() - start;
  EXPECT_GE(busy, 10e-6 - 1e-12);
  EXPECT_LE(busy, 12e-6);
  EXPECT_GE(busyPolls, 8);
  EXPECT_EQ(card.PortRead(0x334), 0x05);
  EXPECT_EQ(card.PortRead(0x335), 0xA3);
}

TEST_F(SimulatedCardTest, InputIsSampledWhenTheConversionStarts) {
  card.SetProcess(std::make_unique<ConstantInputs>(0, 1000));
  driver.SelectChannel(1);
  (void)card.PortRead(0x336);
  // A change of input during the conversion does not reach the result.
  card.SetProcess(std::make_unique<ConstantInputs>(0, 3000));
  while (card.PortRead(0x334) & 0x80) {
  }
  EXPECT_EQ((card.PortRead(0x334) & 0x0F) * 256 + card.PortRead(0x335), 1000);
}

TEST_F(SimulatedCardTest, OutputsTakeEffectOnlyAtTheUpdateRead) {
  driver.SetOutput2(2048);
  driver.SetOutput1(0);
  ASSERT_EQ(card.Output2Count(), 2048);
  card.PortWrite(0x334, 0xFF);
  card.PortWrite(0x335, 0x0F);
  card.PortWrite(0x336, 0x00);
  card.PortWrite(0x337, 0x00);
  EXPECT_EQ(card.Output1Count(), 0);
  EXPECT_EQ(card.Output2Count(), 2048);
  EXPECT_DOUBLE_EQ(card.Output2Volts(), 0.0);
  (void)card.PortRead(0x337);
  EXPECT_EQ(card.Output1Count(), 4095);
  EXPECT_EQ(card.Output2Count(), 0);
  EXPECT_DOUBLE_EQ(card.Output1Volts(), 10.0);
}

TEST_F(SimulatedCardTest, OutputTwoCountBecomesDriveVoltsThroughTheInvertingAmplifier) {
  const struct {
    std::uint16_t count;
    double volts;
  } cases[] = {{2048, 0.0},           {1843, 1.0},         {2253, -1.0},
               {1536, 512.0 / 205.0}, {0, 2048.0 / 205.0}, {4095, -2047.0 / 205.0},
               {1, 2047.0 / 205.0}};
  for (const auto& c : cases) {
    driver.SetOutput2(c.count);
    EXPECT_EQ(card.Output2Count(), c.count);
    EXPECT_DOUBLE_EQ(card.Output2Volts(), c.volts) << c.count;
  }
  // Only 12 bits reach the converter.
  driver.SetOutput2(0x1800);
  EXPECT_EQ(card.Output2Count(), 0x800);
}

TEST_F(SimulatedCardTest, DigitalOutputsAreLatchedAndUnconnectedInputsReadHigh) {
  driver.WriteDigitalOutputs(0x1A5);
  EXPECT_EQ(card.DigitalOutputs(), 0xA5);
  for (int line = 0; line < 7; ++line) EXPECT_EQ(driver.ReadDigitalInputBit(line), 0) << line;
}

TEST(SimulatedCardAddresses, PortsOutsideTheTwoBlocksBehaveAsAnEmptyBus) {
  VirtualClock clock;
  SimulatedCard card(clock, std::make_unique<ConstantInputs>(0, 1234), 0x300, 0x308);
  AD2var driver(card);
  driver.CardInit(0x300, 0x308);
  EXPECT_EQ(driver.ConvertAnalog(), 0);  // channel 0, held at 0 counts
  driver.SelectChannel(1);
  EXPECT_EQ(driver.ConvertAnalog(), 1234);
  for (std::uint16_t port : {0x2FF, 0x310, 0x330, 0x340, 0xFFFF, 0x0})
    EXPECT_EQ(card.PortRead(port), 0xFF) << port;
  driver.SetOutput2(1000);
  card.PortWrite(0x330, 0x12);
  card.PortWrite(0x341, 0x0F);
  EXPECT_EQ(card.Output2Count(), 1000);
  EXPECT_EQ(card.SelectedChannel(), 1);
}

TEST(SimulatedCardAddresses, OverlappingBlocksAreRefusedWithAFrenchMessage) {
  VirtualClock clock;
  try {
    SimulatedCard card(clock, 0x330, 0x334);
    FAIL() << "overlapping blocks accepted";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(),
                 "Adresses de la carte simulée impossibles : les blocs de huit ports $330 et "
                 "$334 se chevauchent");
  }
  EXPECT_THROW(SimulatedCard(clock, 0x337, 0x330), VantorError);
  EXPECT_NO_THROW(SimulatedCard(clock, 0x338, 0x330));
  EXPECT_NO_THROW(SimulatedCard(clock, 0x330, 0x338));
  EXPECT_THROW(SimulatedCard(clock, 0xFFFC, 0x0002), VantorError);  // wraps round
}

TEST(SimulatedCardProcess, BadParametersAreRefusedAndTheCurrentProcessKept) {
  VirtualClock clock;
  SimulatedCard card(clock, std::make_unique<ConstantInputs>(0, 777));
  auto bad = std::make_unique<DcMotorPosition>();
  bad->TimeConstantSeconds = -1.0;
  EXPECT_THROW(card.SetProcess(std::move(bad)), VantorError);
  EXPECT_EQ(card.Process().Name(), "Entrées constantes");
  auto& constant = static_cast<ConstantInputs&>(card.Process());
  constant.Input1Counts = 5000;
  try {
    card.ResetProcess();
    FAIL() << "5000 counts accepted";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(),
                 "Les valeurs fixes des entrées simulées doivent être comprises entre 0 et 4095");
  }
}

}  // namespace
}  // namespace vantor
