#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "RecordingBus.h"
#include "SettingsStore.h"
#include "StartUp.h"
#include "VantorError.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

// The worked example's settings, saved through the settings store into a fresh folder.
class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder =
        fs::path(::testing::TempDir()) /
        ("startup-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder);
    fs::create_directories(folder / "sauvegarde");
    const std::map<std::string, std::string> files = {
        {"adr1", "$330"},       {"adr2", "$340"},        {"finalech", "8.00"},
        {"valmoymini", "2.00"}, {"valmoymaxi", "7.00"},  {"amplimaxi", "3.00"},
        {"ordremaxi", "10.00"}, {"ordremini", "-10.00"}, {"kpmax", "16.00"},
        {"kdmax", "4.00"},      {"kimax", "2.00"}};
    for (const auto& [name, text] : files) Save(name, text);
    prefix = folder.string() + "/";
  }
  void TearDown() override { fs::remove_all(folder); }

  void Save(const std::string& name, const std::string& text) {
    SaveSetting((folder / "sauvegarde" / (name + ".rtf")).string(), text);
  }
  void Remove(const std::string& name) { fs::remove(folder / "sauvegarde" / (name + ".rtf")); }

  std::string StartUpError() {
    try {
      LoadStartupSettings(s, card, prefix, fields);
    } catch (const VantorError& e) {
      return e.what();
    }
    return "";
  }

  fs::path folder;
  std::string prefix;
  RecordingBus bus;
  AD2var card{bus};
  RegulationState s;
  StartupFields fields;
};

TEST_F(StartUpTest, WorkedExampleGivesTheBoundsTheFieldsAndACardAtRest) {
  LoadStartupSettings(s, card, prefix, fields);
  EXPECT_EQ(fields.ADR1, 816);
  EXPECT_EQ(fields.ADR2, 832);
  EXPECT_EQ(card.ADR1, 0x330);
  EXPECT_EQ(card.Output2Count, 2048);
  EXPECT_EQ(card.Output1Count, 0);
  EXPECT_EQ(card.RangeUnipolar, 1);
  EXPECT_EQ(s.finalech, 8);
  EXPECT_EQ(s.valmoymini, 2);
  EXPECT_EQ(s.valmoymaxi, 7);
  EXPECT_EQ(s.amplimaxi, 3);
  EXPECT_EQ(s.ordremaxi, 10);
  EXPECT_EQ(s.ordremini, -10);  // "-10." of the four characters read
  EXPECT_EQ(s.kpmax, 16);
  EXPECT_EQ(s.kdmax, 4);
  EXPECT_EQ(s.kimax, 2);
  EXPECT_EQ(s.StopRequested, 1);
  EXPECT_EQ(s.SamplePeriodMs, 50);
  EXPECT_EQ(s.LoopMode, "fermee");
  EXPECT_TRUE(s.SetpointKind.empty());
  EXPECT_EQ(s.SetpointFrequency, 0.01L);
  EXPECT_EQ(s.SetpointPeriod, 1 / 0.01L);
  EXPECT_EQ(fields.Gains.Edit1, "0");
  EXPECT_EQ(fields.Gains.Edit2, "0");
  EXPECT_EQ(fields.Gains.Edit3, "0");
  EXPECT_EQ(fields.Setpoint.Edit6, "2");
  EXPECT_EQ(fields.Setpoint.Edit7, "0.1");
  // The last accesses leave output 2 at 2048 then output 1 at 0.
  const auto& log = bus.Log();
  ASSERT_GE(log.size(), 10u);
  EXPECT_EQ(std::vector<PortAccess>(log.end() - 10, log.end()),
            (std::vector<PortAccess>{W(0x334, 0), W(0x335, 0), W(0x336, 0x00), W(0x337, 0x08),
                                     R(0x337, 0xFF), W(0x334, 0), W(0x335, 0), W(0x336, 0x00),
                                     W(0x337, 0x08), R(0x337, 0xFF)}));
}

TEST_F(StartUpTest, GainRangesAreRoundedHalfToEven) {
  Save("kimax", "2.50");
  Save("kdmax", "3.50");
  LoadStartupSettings(s, card, prefix, fields);
  EXPECT_EQ(s.kimax, 2);
  EXPECT_EQ(s.kdmax, 4);
}

TEST_F(StartUpTest, MissingAddressStopsBeforeTheCardIsTouched) {
  Remove("adr1");
  EXPECT_EQ(StartUpError(), "Impossible d'ouvrir le fichier " + prefix + "sauvegarde/adr1.rtf");
  EXPECT_TRUE(bus.Log().empty());
  EXPECT_EQ(s.StopRequested, 0);
  EXPECT_EQ(s.SamplePeriodMs, 0);
  EXPECT_TRUE(s.LoopMode.empty());
}

TEST_F(StartUpTest, FailingStepLeavesTheLaterStepsUndone) {
  Save("ordremaxi", "dix");
  EXPECT_EQ(StartUpError(), "'dix' n'est pas une valeur en virgule flottante correcte");
  EXPECT_EQ(card.Output2Count, 2048);  // the card was initialised
  EXPECT_EQ(s.SamplePeriodMs, 50);
  EXPECT_EQ(s.amplimaxi, 3);
  EXPECT_EQ(s.ordremaxi, 0);
  EXPECT_EQ(s.SetpointFrequency, 0);
  EXPECT_TRUE(s.LoopMode.empty());
  EXPECT_EQ(s.kpmax, 0);

  Save("ordremaxi", "10");
  Remove("kdmax");
  s = RegulationState{};
  EXPECT_NE(StartUpError().find("kdmax.rtf"), std::string::npos);
  EXPECT_EQ(s.kpmax, 16);
  EXPECT_EQ(s.kdmax, 0);
  EXPECT_EQ(s.kimax, 0);
  EXPECT_EQ(s.LoopMode, "fermee");
}

}  // namespace
}  // namespace vantor
