// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's choice of card, and the loopback check of a card.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "LoopbackCard.h"
#include "card/CardDiagnostic.h"
#include "card/CardFactory.h"
#include "common/SettingsStore.h"
#include "common/VantorError.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

TEST(CardChoice, TheSavedChoiceIsReadBackAndAnUnknownWordIsRefusedWithItsFile) {
  const fs::path folder = fs::path(::testing::TempDir()) / ("carte-" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder / "sauvegarde");
  const std::string prefix = folder.string() + "/";

  EXPECT_EQ(ReadCardSetting(prefix), CardChoice{});  // no file: the ISA card
  for (const CardChoice& c : {CardChoice{CardChoice::Kind::Usb, "/dev/ttyACM0"},
                              CardChoice{CardChoice::Kind::Usb, ""}, CardChoice{}}) {
    SaveCardSetting(prefix, c);
    EXPECT_EQ(ReadCardSetting(prefix), c) << CardChoiceWord(c);
  }
  SaveSetting(prefix + kCardSettingFile, "usb");
  try {
    ReadCardSetting(prefix);
    ADD_FAILURE() << "a word that is no card was taken";
  } catch (const VantorError& e) {
    EXPECT_NE(std::string(e.what()).find("carte.rtf"), std::string::npos) << e.what();
  }
  fs::remove_all(folder);

  const char* line[] = {"regulateur-vantor", "--dossier", "x", "--carte=usb:/dev/ttyUSB1"};
  EXPECT_EQ(CardOption(4, line), (CardChoice{CardChoice::Kind::Usb, "/dev/ttyUSB1"}));
  const char* none[] = {"regulateur-vantor"};
  EXPECT_FALSE(CardOption(1, none).has_value());
  const char* bad[] = {"regulateur-vantor", "--carte", "pci"};
  EXPECT_THROW(CardOption(3, bad), VantorError);
  const char* missing[] = {"regulateur-vantor", "--carte"};
  EXPECT_THROW(CardOption(2, missing), VantorError);
}

TEST(CardDiagnostic, FiveLevelsAreReadBackAndJudgedAgainstOnePercentWithTheOrderAtRest) {
  LoopbackCard good;
  good.Gain = 1.006;  // 0.06 V at 10 V
  const CardDiagnostic ok = RunLoopbackDiagnostic(good);
  ASSERT_EQ(ok.Levels.size(), 5u);
  EXPECT_DOUBLE_EQ(ok.Levels.front().Output1Volts, 0.0);
  EXPECT_DOUBLE_EQ(ok.Levels.back().Output1Volts, 10.0);
  EXPECT_NEAR(ok.Levels.back().Input0Volts, 10.06, 0.005);
  EXPECT_TRUE(ok.WithinTolerance());
  for (std::uint16_t order : good.Orders) EXPECT_EQ(order, kOrderRestCount);
  EXPECT_EQ(good.Output1(), kOutput1RestCount);  // at rest afterwards
  EXPECT_EQ(good.Ended, 1);

  LoopbackCard drifting;
  drifting.Offset = 0.15;
  EXPECT_FALSE(RunLoopbackDiagnostic(drifting).WithinTolerance());

  LoopbackCard unwired;
  unwired.Wired = false;
  const CardDiagnostic none = RunLoopbackDiagnostic(unwired);
  EXPECT_FALSE(none.WithinTolerance());
  EXPECT_NE(none.Verdict(), ok.Verdict());
  EXPECT_NE(none.Verdict(), RunLoopbackDiagnostic(drifting).Verdict());

  LoopbackCard dying;
  dying.FailAtPeriod = 30;
  EXPECT_THROW(RunLoopbackDiagnostic(dying), VantorError);
  EXPECT_EQ(dying.Output1(), kOutput1RestCount);
  EXPECT_EQ(dying.Ended, 1);
}

}  // namespace
}  // namespace vantor
