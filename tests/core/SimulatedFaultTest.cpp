// SPDX-License-Identifier: GPL-3.0-or-later
// Faults injected into the simulated card: the driver's bounded waits must end every
// failure with the French message, quickly, on a virtual clock as on the real one.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "card/AD2var.h"
#include "card/SimulatedCard.h"
#include "common/VantorError.h"
#include "simulation/Clock.h"
#include "simulation/ConstantInputs.h"

namespace vantor {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Runs `action`, expects the driver's no-answer error naming `what`, and returns the
// wall-clock time it took.
template <typename Action>
double ExpectNoAnswer(Action action, const std::string& what) {
  const auto start = SteadyClock::now();
  try {
    action();
    ADD_FAILURE() << "no error raised";
  } catch (const VantorError& e) {
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("La carte d'acquisition ne répond pas : " + what, 0), 0u) << text;
  }
  return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

const std::string kConverterBusy = "le convertisseur analogique-numérique reste occupé";
const std::string kLine7Stuck = "l'horloge de cadencement (entrée logique 7) ne change pas d'état";

class SimulatedFaultTest : public ::testing::TestWithParam<bool> {
 protected:
  SimulatedFaultTest() {
    if (GetParam())
      clock = std::make_unique<RealClock>();
    else
      clock = std::make_unique<VirtualClock>();
    card = std::make_unique<SimulatedCard>(*clock, std::make_unique<ConstantInputs>(0, 2000));
    driver = std::make_unique<AD2var>(*card);
    driver->CardInit(0x330, 0x340);
  }
  std::unique_ptr<Clock> clock;
  std::unique_ptr<SimulatedCard> card;
  std::unique_ptr<AD2var> driver;
};

TEST_P(SimulatedFaultTest, NoCardMakesTheConversionFailWithinOneSecond) {
  card->InjectFault(SimulatedFault::NoCard);
  EXPECT_EQ(card->PortRead(0x334), 0xFF);
  EXPECT_EQ(card->PortRead(0x340), 0xFF);
  EXPECT_LT(ExpectNoAnswer([&] { driver->ConvertAnalog(); }, kConverterBusy), 1.0);
  // Writes are lost while the card is absent: output 2 keeps the rest count of the start.
  driver->SetOutput2(100);
  EXPECT_EQ(card->Output2Count(), 2048);
  // On an empty bus every input line reads high: line 7 looks as if the period had ended,
  // so the loop meets the converter's error, not a wait.
  EXPECT_EQ(driver->ReadDigitalInputBit(7), 0);
}

TEST_P(SimulatedFaultTest, WrongAddressesMakeTheConversionFailWithinOneSecond) {
  AD2var misplaced(*card);
  misplaced.CardInit(0x300, 0x310);
  EXPECT_LT(ExpectNoAnswer([&] { misplaced.ConvertAnalog(); }, kConverterBusy), 1.0);
}

TEST_P(SimulatedFaultTest, StuckConverterFailsWithinOneSecondAndRecovers) {
  card->InjectFault(SimulatedFault::StuckConverter);
  driver->SelectChannel(1);
  EXPECT_LT(ExpectNoAnswer([&] { driver->ConvertAnalog(); }, kConverterBusy), 1.0);
  card->InjectFault(SimulatedFault::None);
  EXPECT_EQ(driver->ConvertAnalog(), 2000);
}

TEST_P(SimulatedFaultTest, LineSevenThatNeverRisesFailsWithinOneSecond) {
  card->InjectFault(SimulatedFault::Line7NeverRises);
  driver->ProgramCounter(1, 0, 0, 50);
  driver->ProgramCounter(2, 3, 0, 2458);
  EXPECT_LT(ExpectNoAnswer([&] { driver->WaitLine7High(); }, kLine7Stuck), 1.0);
  card->InjectFault(SimulatedFault::None);
  driver->ProgramCounter(1, 0, 0, 50);
  driver->ProgramCounter(2, 3, 0, 2458);
  EXPECT_NO_THROW(driver->WaitLine7High());
}

TEST_P(SimulatedFaultTest, UnprogrammedTimerFailsWithinOneSecond) {
  // After CardInit the timer has never been programmed: line 7 is low for good.
  EXPECT_LT(ExpectNoAnswer([&] { driver->WaitLine7High(); }, kLine7Stuck), 1.0);
}

INSTANTIATE_TEST_SUITE_P(Clocks, SimulatedFaultTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "RealClock" : "VirtualClock";
                         });

}  // namespace
}  // namespace vantor
