// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "RecordingBus.h"
#include "card/AD2var.h"
#include "common/SettingsStore.h"
#include "common/VantorError.h"
#include "regulation/StartUp.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

// The start-up as a window sees it: the card on a recording bus, the steps noted.
class RecordingStartUp : public StartUpObserver {
 public:
  explicit RecordingStartUp(AD2var& card) : card_(card) {}
  AD2var& OpenCard(std::int32_t adr1, std::int32_t adr2) override {
    opened = {adr1, adr2};
    card_.SetAddresses(adr1, adr2);
    return card_;
  }
  void StepDone(StartUpStep step) override { steps.push_back(step); }
  std::pair<std::int32_t, std::int32_t> opened{-1, -1};
  std::vector<StartUpStep> steps;

 private:
  AD2var& card_;
};

// The worked example's settings, saved through the settings store into a fresh folder.
class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder =
        fs::path(::testing::TempDir()) /
        ("startup-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "-" + std::to_string(::getpid()));
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
      RunStartUp(s, observer, prefix, fields);
    } catch (const VantorError& e) {
      return e.what();
    }
    return "";
  }

  fs::path folder;
  std::string prefix;
  RecordingBus bus;
  AD2var card{bus};
  RecordingStartUp observer{card};
  RegulationState s;
  StartupFields fields;
};

TEST_F(StartUpTest, WorkedExampleGivesTheBoundsTheFieldsAndACardAtRest) {
  RunStartUp(s, observer, prefix, fields);
  EXPECT_EQ(observer.opened, std::make_pair(816, 832));
  EXPECT_EQ(observer.steps,
            (std::vector<StartUpStep>{
                StartUpStep::CardAtRest, StartUpStep::GainsCleared, StartUpStep::StepLimit,
                StartUpStep::MeanLimits, StartUpStep::AmplitudeLimit, StartUpStep::OrderLimits,
                StartUpStep::SetpointPanels, StartUpStep::LoopClosed, StartUpStep::KpRange,
                StartUpStep::KdRange, StartUpStep::KiRange}));
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
  RunStartUp(s, observer, prefix, fields);
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
  EXPECT_EQ(StartUpError(), "'dix' n'est pas une valeur en virgule flottante correcte\nFichier : " +
                                prefix + "sauvegarde/ordremaxi.rtf");
  EXPECT_EQ(observer.steps.back(), StartUpStep::AmplitudeLimit);
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

TEST_F(StartUpTest, ValuesTheSettingsWindowWouldRefuseStopTheStartUp) {
  // An order limit that would drive output 2 to full scale from the first cycle.
  Save("ordremini", "1e99");
  EXPECT_EQ(StartUpError(),
            "Valeur '1e99' hors des limites acceptées par la fenêtre de réglage : de -999 à "
            "9999\nFichier : " +
                prefix + "sauvegarde/ordremini.rtf");
  EXPECT_EQ(s.ordremini, 0);
  EXPECT_TRUE(s.LoopMode.empty());
  EXPECT_EQ(card.Output2Count, 2048);

  const std::pair<const char*, const char*> refused[] = {
      {"finalech", "1000"}, {"amplimaxi", "0.05"}, {"valmoymaxi", "7.5"},
      {"kpmax", "-4"},      {"kimax", "3.00"},     {"adr2", "-1"}};
  for (const auto& [name, text] : refused) {
    SetUp();
    Save(name, text);
    s = RegulationState{};
    const std::string error = StartUpError();
    EXPECT_NE(error.find("Valeur '" + std::string(text).substr(0, 4) + "' hors des limites"),
              std::string::npos)
        << name << ": " << error;
    EXPECT_TRUE(error.ends_with("\nFichier : " + prefix + "sauvegarde/" + name + ".rtf")) << error;
    // A gain range's message lists the six ranges of the settings window.
    if (std::string(name) == "kimax") {
      EXPECT_NE(error.find(": 2, 4, 8, 16, 32 ou 64\n"), std::string::npos) << error;
    }
  }
}

TEST_F(StartUpTest, TemporariesOfAnInterruptedSaveAreRemoved) {
  const pid_t gone = ::fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const fs::path stale = folder / "sauvegarde" / (".kpmax.rtf." + std::to_string(gone) + ".0");
  std::ofstream(stale) << "{\\rtf1 16";
  RunStartUp(s, observer, prefix, fields);
  EXPECT_FALSE(fs::exists(stale));
}

}  // namespace
}  // namespace vantor
