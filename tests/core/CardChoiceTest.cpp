// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's choice of card, and the loopback check of a card.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "LoopbackCard.h"
#include "RecordingBus.h"
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

// The workstation and the headless tool read --carte with the same words where they
// mean the same card; a word of the other program is refused with this one's list.
TEST(CardChoice, EachProgramTakesItsOwnWordsAndItsRefusalListsThem) {
  using P = CardProgram;
  EXPECT_EQ(ParseCardChoice("isa", P::Workstation), CardChoice{});
  EXPECT_FALSE(ParseCardChoice("isa", P::Tool));
  EXPECT_FALSE(ParseCardChoice("simulee", P::Workstation));
  for (const char* word : {"simulee", "simulée"}) {
    const auto simulated = ParseCardChoice(word, P::Tool);
    ASSERT_TRUE(simulated) << word;
    EXPECT_EQ(simulated->Card, CardChoice::Kind::IsaOnBus);
    EXPECT_EQ(simulated->Bus, nullptr);  // the tool gives its own
    EXPECT_EQ(CardChoiceWord(*simulated), "simulee");
  }
  for (P program : {P::Workstation, P::Tool}) {
    EXPECT_EQ(ParseCardChoice("usb:auto", program), CardChoice::Usb(""));
    EXPECT_EQ(ParseCardChoice("usb:/dev/ttyACM0", program), CardChoice::Usb("/dev/ttyACM0"));
    for (const char* word : {"usb:", "usb", "pci", ""})
      EXPECT_FALSE(ParseCardChoice(word, program)) << word;
  }
  EXPECT_EQ(CardWords(P::Workstation), "isa, usb:CHEMIN ou usb:auto");
  EXPECT_EQ(CardWords(P::Tool), "simulee, usb:CHEMIN ou usb:auto");

  const char* simulated[] = {"regulateur-vantor", "--carte", "simulee"};
  try {
    CardOption(3, simulated);
    ADD_FAILURE() << "the workstation took the tool's simulated card";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(), "L'option --carte attend isa, usb:CHEMIN ou usb:auto, pas « simulee »");
  }
}

// One opener for every card: the ISA card's register map reached on the bus it is given.
TEST(CardChoice, TheOpenerPutsTheIsaCardOnTheBusItIsGiven) {
  RecordingBus bus;
  const std::unique_ptr<AcquisitionCard> card = OpenerOf(CardChoice::OnBus(bus))(0x300, 0x310);
  EXPECT_EQ(card->Description(), "carte ISA en $300/$310");
  card->Initialise();
  ASSERT_FALSE(bus.Log().empty());
  for (const PortAccess& access : bus.Log()) {
    EXPECT_GE(access.port, 0x300) << std::hex << access.port;
    EXPECT_LT(access.port, 0x318) << std::hex << access.port;
  }
  EXPECT_THROW(OpenCard(CardChoice{CardChoice::Kind::IsaOnBus, {}, nullptr}, 0x300, 0x310),
               std::logic_error);
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
