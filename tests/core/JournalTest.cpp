// SPDX-License-Identifier: GPL-3.0-or-later
// The journal: entries written under names that never collide and sort by time, reopened
// bit for bit, listed as rows from their first lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include "SimulatedRun.h"
#include "common/VantorError.h"
#include "lesson-core/Journal.h"
#include "lesson-core/LabReport.h"
#include "lesson-core/StepMeasures.h"
#include "regulation/RelayLaw.h"
#include "regulation/RunFile.h"
#include "simulation/DcMotorPosition.h"

namespace vantor::testing {
namespace {

namespace fs = std::filesystem;

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root =
        fs::path(::testing::TempDir()) /
        ("journal-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "-" + std::to_string(::getpid()));
    fs::remove_all(root);
  }
  void TearDown() override { fs::remove_all(root); }

  // A step on the position motor with a PI, as a student runs it.
  static std::unique_ptr<Trial> StepRun() {
    SimulatedRun r;
    r.Process = std::make_unique<DcMotorPosition>();
    r.Edit5 = "4";
    r.Gains = {"3", "0", "0.5"};
    r.Cycles = 400;
    auto t = std::make_unique<Trial>(RunSimulated(r));
    t->Process = "Moteur à courant continu : position";
    t->Profile = "réaliste";
    t->Load = "1 V à 5 s";
    return t;
  }

  fs::path root;
};

TEST_F(JournalTest, AnEntryReopensBitForBitAndListsWithItsMeasures) {
  const auto run = StepRun();
  const std::string path = WriteJournalEntry(root.string(), *run, "2025-03-14 10:12:31");
  EXPECT_EQ(fs::path(path).parent_path(), root / "2025-03-14");

  auto reopened = std::make_unique<Trial>();
  ReadRunFile(path, *reopened);
  EXPECT_TRUE(reopened->Record == run->Record);
  EXPECT_EQ(reopened->LastEntry, run->LastEntry);
  EXPECT_EQ(reopened->Kp, run->Kp);
  EXPECT_EQ(reopened->Ki, run->Ki);
  EXPECT_EQ(reopened->StepLevel, run->StepLevel);
  EXPECT_EQ(reopened->Profile, run->Profile);
  EXPECT_EQ(reopened->Load, run->Load);
  EXPECT_EQ(reopened->Date, run->Date);

  const auto rows = ListJournalDay(root.string(), "2025-03-14");
  ASSERT_EQ(rows.size(), 1u);
  const JournalRow& row = rows[0];
  EXPECT_EQ(row.Path, path);
  EXPECT_EQ(row.Time, "10:12:31");
  EXPECT_EQ(row.Setpoint, "échelon 4 V");
  EXPECT_EQ(row.Structure, "PI");
  EXPECT_EQ(row.Load, "1 V à 5 s");
  const StepMeasures m = MeasureStep(*run);
  ASSERT_TRUE(m.Measured) << m.Reason;
  std::string listed;
  const char* keys[] = {"temps_montee",    "depassement",     "temps_pic",
                        "temps_reponse_5", "erreur_statique", "saturation"};
  for (std::size_t i = 0; i < 6; ++i) listed += std::string(keys[i]) + "=" + row.Measures[i] + "\n";
  // The journal's six columns are the measures' first six lines.
  const std::string lines = StepMeasureLines(m);
  EXPECT_EQ(listed, lines.substr(0, lines.find("iae=")));

  // A tool used on it later is recorded without touching the run.
  AddJournalTool(path, kToolIdentification);
  AddJournalTool(path, kToolIdentification);
  ReadRunFile(path, *reopened);
  EXPECT_TRUE(reopened->Record == run->Record);
  EXPECT_EQ(ListJournalDay(root.string(), "2025-03-14")[0].Tools,
            std::vector<std::string>{kToolIdentification});
}

TEST_F(JournalTest, OpenLoopAndRelayRunsAreNamedAsWrittenAndAFrequencyToThreeDigits) {
  // An open-loop step of 5 V (a Kp typed, which takes no part), a relay test of d = 2 V,
  // and a closed-loop sine at a frequency of the sweep: 1 / (532 × 0.05 s), in full.
  SimulatedRun open;
  open.Process = std::make_unique<DcMotorPosition>();
  open.OpenLoop = true;
  open.Edit5 = "5";
  open.Gains = {"3", "0", "0"};
  open.Cycles = 200;
  const Trial openRun = RunSimulated(open);
  RelayLaw relay({2, 0.05, 0}, RelayLaw::Use::Test);
  SimulatedRun relayed;
  relayed.Process = std::make_unique<DcMotorPosition>();
  relayed.Law = &relay;
  relayed.Edit5 = "5";
  relayed.Gains = {"3", "0", "0"};
  relayed.Cycles = 200;
  const Trial relayRun = RunSimulated(relayed);
  SimulatedRun sine;
  sine.Process = std::make_unique<DcMotorPosition>();
  sine.Button = 2;
  sine.Edit4 = "0.037593984962406";
  sine.Edit6 = "4";
  sine.Edit7 = "1.5";
  sine.Gains = {"2", "0", "0"};
  sine.Cycles = 200;
  const Trial sineRun = RunSimulated(sine);
  // 1 / 26.6 = 0.037593984… Hz, written 0.0376.
  ASSERT_NEAR(static_cast<double>(sineRun.SetpointFrequency), 1.0 / 26.6, 1e-14);

  for (const Trial* t : {&openRun, &relayRun, &sineRun})
    WriteJournalEntry(root.string(), *t, "2025-03-14 10:12:31");
  const auto rows = ListJournalDay(root.string(), "2025-03-14");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Structure, "boucle ouverte, échelon 5 V");
  EXPECT_EQ(rows[1].Structure, "relais d=2 V");
  for (int i : {0, 1}) {
    EXPECT_EQ(rows[i].Kp, "-");
    EXPECT_EQ(rows[i].Kd, "-");
    EXPECT_EQ(rows[i].Ki, "-");
  }
  EXPECT_EQ(rows[2].Setpoint, "sinus 4 V ± 1.5 V à 0.0376 Hz");
  EXPECT_EQ(rows[2].Kp, "2");
  EXPECT_EQ(rows[2].Structure, "P");
  EXPECT_EQ(RunName(sineRun), "Kp 2, Kd 0, Ki 0");
  EXPECT_EQ(RunName(openRun), "boucle ouverte, échelon 5 V");
  // On-off control is named by its order too.
  Trial onOff = sineRun;
  onOff.Corrector = RelayLaw({10, 0.1, 0}, RelayLaw::Use::OnOff).Caption();
  EXPECT_EQ(RunName(onOff), "tout ou rien d=10 V");
  // Three significant digits, a whole number kept whole.
  for (const auto& [frequency, text] : std::vector<std::pair<long double, std::string>>{
           {0.2L, "0.2"}, {1.25L, "1.25"}, {0.123456L, "0.123"}, {2.0L, "2"}}) {
    Trial t = sineRun;
    t.SetpointFrequency = frequency;
    EXPECT_EQ(SetpointText(t), "sinus 4 V ± 1.5 V à " + text + " Hz");
  }
}

TEST_F(JournalTest, EntriesOfTheSameSecondNeverCollideAndSortInTheOrderMade) {
  const auto run = StepRun();
  std::vector<std::string> made;
  for (int i = 0; i < 3; ++i)
    made.push_back(WriteJournalEntry(root.string(), *run, "2025-03-14 10:12:31"));
  run->Kp = 12;  // another name after the same second
  made.push_back(WriteJournalEntry(root.string(), *run, "2025-03-14 10:12:31"));
  made.push_back(WriteJournalEntry(root.string(), *run, "2025-03-14 09:59:59"));
  WriteJournalEntry(root.string(), *run, "2025-03-15 08:00:00");
  std::ofstream(root / "2025-03-14" / "notes.txt") << "pas un essai";
  std::ofstream(root / "2025-03-14" / "10-13-00-01_echelon_Kp1_Kd0_Ki0.csv") << "abîmé";

  const auto rows = ListJournalDay(root.string(), "2025-03-14");
  std::vector<std::string> listed;
  for (const JournalRow& r : rows) listed.push_back(r.Path);
  const std::vector<std::string> expected = {made[4], made[0], made[1], made[2], made[3]};
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(fs::path(made[3]).filename(), "10-12-31-0004_echelon_Kp12_Kd0_Ki0.5.csv");
  EXPECT_EQ(JournalDays(root.string()), (std::vector<std::string>{"2025-03-15", "2025-03-14"}));
}

TEST_F(JournalTest, PastAHundredEntriesInOneSecondNamesStillSortByTimeBesideOldNames) {
  auto run = std::make_unique<Trial>();
  run->SetpointKind = "echelon";
  // Two entries named before the numbers had four digits, in the same second.
  const fs::path day = root / "2025-03-14";
  fs::create_directories(day);
  const std::string seed = WriteJournalEntry(root.string(), *run, "2025-03-14 10:12:30");
  std::vector<std::string> made;
  for (const char* number : {"07", "99"}) {
    made.push_back((day / ("10-12-31-" + std::string(number) + "_echelon_Kp0_Kd0_Ki0.csv")).string());
    fs::copy_file(seed, made.back());
  }
  for (int i = 0; i < 101; ++i)
    made.push_back(WriteJournalEntry(root.string(), *run, "2025-03-14 10:12:31"));
  EXPECT_EQ(fs::path(made[2]).filename(), "10-12-31-0100_echelon_Kp0_Kd0_Ki0.csv");
  // The new names sort by time as text too (a file manager's order).
  std::vector<std::string> sorted(made.begin() + 2, made.end());
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, std::vector<std::string>(made.begin() + 2, made.end()));

  std::vector<std::string> listed;
  for (const JournalRow& r : ListJournalDay(root.string(), "2025-03-14")) listed.push_back(r.Path);
  made.insert(made.begin(), seed);
  EXPECT_EQ(listed, made);
}

TEST_F(JournalTest, ADayFolderThatIsASymbolicLinkIsNeitherWrittenNorListed) {
  const auto run = StepRun();
  const std::string entry = WriteJournalEntry(root.string(), *run, "2025-03-14 10:12:31");
  // Someone else's folder, put in the journal as the next day's.
  const fs::path elsewhere = root.parent_path() / (root.filename().string() + "-ailleurs");
  fs::create_directories(elsewhere);
  fs::copy_file(entry, elsewhere / "10-00-00-0001_echelon_Kp3_Kd0_Ki0.5.csv");
  fs::create_directory_symlink(elsewhere, root / "2025-03-15");

  try {
    WriteJournalEntry(root.string(), *run, "2025-03-15 08:00:00");
    ADD_FAILURE() << "written through the link";
  } catch (const VantorError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Impossible d'écrire dans le dossier " + (root / "2025-03-15").string() +
                  "\nCause : c'est un lien symbolique, que le journal ne suit pas");
  }
  EXPECT_THROW(AddJournalTool((root / "2025-03-15" / "10-00-00-0001_echelon_Kp3_Kd0_Ki0.5.csv").string(),
                              kToolIdentification),
               VantorError);
  EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()), 1);
  EXPECT_EQ(JournalDays(root.string()), std::vector<std::string>{"2025-03-14"});
  EXPECT_TRUE(ListJournalDay(root.string(), "2025-03-15").empty());
  fs::remove_all(elsewhere);
}

TEST_F(JournalTest, AFolderThatCannotBeMadeIsRefusedAndLeavesNoEntry) {
  fs::create_directories(root);
  std::ofstream(root / "fichier") << "x";
  const auto run = StepRun();
  // Under a file, even root cannot make the folder.
  const std::string blocked = (root / "fichier" / "essais").string();
  EXPECT_THROW(WriteJournalEntry(blocked, *run, "2025-03-14 10:12:31"), VantorError);
  EXPECT_TRUE(JournalDays(blocked).empty());
  EXPECT_THROW(WriteJournalEntry(root.string(), *run, "14/03/2025"), VantorError);
  EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 1);
}

TEST(LabReportTest, ARunWhoseFeedbackSatAtTheSensorsFloorSaysSoInItsMeasures) {
  auto run = std::make_unique<Trial>();
  run->LastEntry = 100;
  for (int k = 1; k <= 100; ++k)
    run->Record[static_cast<std::size_t>(kSeriesOrder * kRecordEntries + k)] = -50;
  const auto capteur = [&run] {
    const LabReport r = BuildLabReport({}, {{run.get(), "", {}}});
    for (const auto& [label, value] : r.Sections.at(0).Measures)
      if (label == "Capteur") return value;
    return std::string();
  };
  EXPECT_EQ(capteur(), "");
  for (int k = 20; k < 60; ++k)
    run->FeedbackLimits[static_cast<std::size_t>(k)] = SensorLimit::Floor;
  EXPECT_EQ(capteur(), SensorLimitSentence(MeasureSensorLimits(*run)));
  EXPECT_NEAR(MeasureSensorLimits(*run).FloorSeconds, 40 * 0.05, 1e-9);
}

}  // namespace
}  // namespace vantor::testing
