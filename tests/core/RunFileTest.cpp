// SPDX-License-Identifier: GPL-3.0-or-later
// Run files saved and reopened, malformed files refused; the runs kept in memory.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <sstream>

#include "common/TemporaryName.h"
#include "common/VantorError.h"
#include "regulation/RunFile.h"
#include "regulation/RunHistory.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

class RunFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir =
        fs::path(::testing::TempDir()) /
        ("runfile-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // A run whose record holds every kind of value, extremes included.
  static std::unique_ptr<Trial> SampleRun(std::uint32_t seed) {
    auto t = std::make_unique<Trial>();
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max());
    for (auto& v : t->Record) v = any(random) % 2000;
    t->Record[17] = std::numeric_limits<std::int32_t>::min();
    t->Record[18] = std::numeric_limits<std::int32_t>::max();
    t->LastEntry = 1234;
    t->SetpointCaption = "Consigne: Sinusoïde ";
    t->SetpointKind = "sin";
    t->Mean = 4.5L;
    t->Amplitude = 0.3L;
    t->SetpointFrequency = 0.25L;
    t->StepLevel = 6;
    t->Kp = 2.5L;
    t->Kd = 0.1L;
    t->Ki = 1.75L;
    t->LoopMode = "Ouv";
    t->Process = "Moteur à courant continu : position";
    t->Date = "2025-03-14 10:12:31";
    t->ordremaxi = 8;
    t->ordremini = -7.5L;
    return t;
  }

  std::string Write(const std::string& name, const std::string& text) const {
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }

  fs::path dir;
};

TEST_F(RunFileTest, ASavedRunReopensBitForBit) {
  const auto saved = SampleRun(1);
  // Sensor limits changing at random: more ranges than one "#" line may hold.
  std::mt19937 random(7);
  for (auto& limit : saved->FeedbackLimits) limit = static_cast<SensorLimit>(random() % 3);
  const std::string path = (dir / "essai.csv").string();
  WriteRunFile(path, *saved);
  auto reopened = std::make_unique<Trial>();
  ReadRunFile(path, *reopened);
  EXPECT_TRUE(reopened->Record == saved->Record);
  EXPECT_TRUE(reopened->FeedbackLimits == saved->FeedbackLimits);
  EXPECT_EQ(reopened->LastEntry, saved->LastEntry);
  EXPECT_EQ(reopened->SetpointCaption, saved->SetpointCaption);
  EXPECT_EQ(reopened->SetpointKind, saved->SetpointKind);
  EXPECT_EQ(reopened->Mean, saved->Mean);
  EXPECT_EQ(reopened->Amplitude, saved->Amplitude);
  EXPECT_EQ(reopened->SetpointFrequency, saved->SetpointFrequency);
  EXPECT_EQ(reopened->Kp, saved->Kp);
  EXPECT_EQ(reopened->Kd, saved->Kd);
  EXPECT_EQ(reopened->Ki, saved->Ki);
  EXPECT_TRUE(reopened->IsOpenLoop());
  EXPECT_EQ(reopened->Process, saved->Process);
  EXPECT_EQ(reopened->Date, saved->Date);
  EXPECT_EQ(reopened->ordremaxi, saved->ordremaxi);
  EXPECT_EQ(reopened->ordremini, saved->ordremini);
  EXPECT_EQ(reopened->SourceFile, path);
}

TEST_F(RunFileTest, AUtf8ByteOrderMarkIsAccepted) {
  const auto saved = SampleRun(4);
  const std::string path = (dir / "tableur.csv").string();
  WriteRunFile(path, *saved);
  std::ifstream in(path);
  std::stringstream whole;
  whole << in.rdbuf();
  Write("tableur.csv", "\xEF\xBB\xBF" + whole.str());
  auto reopened = std::make_unique<Trial>();
  ReadRunFile(path, *reopened);
  EXPECT_TRUE(reopened->Record == saved->Record);
  EXPECT_EQ(reopened->SetpointCaption, saved->SetpointCaption);
}

TEST_F(RunFileTest, AWriteStoppedBeforeItsEndLeavesThePreviousFileAndNothingElse) {
  const std::string path = (dir / "essai.csv").string();
  const auto previous = SampleRun(6);
  WriteRunFile(path, *previous);
  struct Stop {};
  EXPECT_THROW(WriteRunFile(path, *SampleRun(7), [] { throw Stop{}; }), Stop);
  auto reopened = std::make_unique<Trial>();
  ReadRunFile(path, *reopened);
  EXPECT_TRUE(reopened->Record == previous->Record);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// A write killed mid-way leaves its temporary file; the next write of the same file
// removes it, and never what a live writer or another file's write holds.
TEST_F(RunFileTest, AWriteRemovesWhatAKilledWriteOfTheSameFileLeft) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string pid = std::to_string(gone);
  const std::string older = Write("essai.csv.ecriture-" + pid, "k,t");
  const std::string killed = Write(".essai.csv." + HostLabel() + "-" + pid + ".0", "k,t");
  const std::string live = Write(".essai.csv." + HostLabel() + "-" + std::to_string(::getpid()) + ".9", "");
  const std::string other = Write(".autre.csv." + HostLabel() + "-" + pid + ".0", "");
  WriteRunFile((dir / "essai.csv").string(), *SampleRun(5));
  EXPECT_FALSE(fs::exists(older));
  EXPECT_FALSE(fs::exists(killed));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(fs::exists(other));
}

// A run file's words are shown in captions, the journal's table, printouts and messages:
// none of their control characters reaches them.
TEST_F(RunFileTest, ControlCharactersOfAFileReachNeitherTheRunNorAMessage) {
  const auto saved = SampleRun(4);
  saved->SetpointCaption = "Consigne: Echelon\x1b[2J\x1b[31m";
  saved->Process = "moteur\xE2\x80\xAE" "ecnatsid";
  saved->Date = "2025-03-14\r10:12:31\x07";
  const std::string path = (dir / "essai.csv").string();
  WriteRunFile(path, *saved);
  auto reopened = std::make_unique<Trial>();
  ReadRunFile(path, *reopened);
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(reopened->SetpointCaption, "Consigne: Echelon" + r + "[2J" + r + "[31m");
  EXPECT_EQ(reopened->Process, "moteur" + r + "ecnatsid");
  EXPECT_EQ(reopened->Date, "2025-03-14" + r + "10:12:31" + r);

  const std::string bad = Write("mauvais.csv", "# kp=\x1b[8mcache\n");
  try {
    ReadRunFile(bad, *reopened);
    ADD_FAILURE() << "accepted";
  } catch (const VantorError& e) {
    const std::string shown = ErrorBoxText(e.what());
    EXPECT_EQ(shown.find('\x1b'), std::string::npos) << shown;
    EXPECT_NE(shown.find(r + "[8mcache"), std::string::npos) << shown;
  }
}

TEST_F(RunFileTest, EachMalformedFileIsRefusedNamingTheLineAndChangesNothing) {
  const auto good = SampleRun(2);
  const std::string goodPath = (dir / "bon.csv").string();
  WriteRunFile(goodPath, *good);
  std::ifstream in(goodPath);
  std::stringstream whole;
  whole << in.rdbuf();
  const std::string text = whole.str();
  // Line numbers of the written file: 16 "#" lines, the header on line 17, k on 18 + k.
  auto replaceLine = [&text](int line, const std::string& with) {
    std::size_t start = 0;
    for (int i = 1; i < line; ++i) start = text.find('\n', start) + 1;
    const std::size_t end = text.find('\n', start);
    return text.substr(0, start) + with + text.substr(end);
  };
  ASSERT_EQ(replaceLine(17, kRunFileHeader), text);
  const std::string lastRow = text.substr(text.rfind('\n', text.size() - 2) + 1);
  struct Case {
    std::string name, content, line;
  };
  const Case cases[] = {
      {"header", replaceLine(17, "k;t;consigne;retour"), "ligne 17,"},
      {"letters", replaceLine(18 + 300, "300,15.00,12,abc,0,0,0,0,0"), "ligne 318,"},
      {"columns", replaceLine(18 + 5, "5,0.25,1,2,3"), "ligne 23,"},
      {"overflow", replaceLine(18 + 6, "6,0.30,1,2,3,4,5,6,2147483648"), "ligne 24,"},
      {"k", replaceLine(18 + 7, "8,0.35,0,0,0,0,0,0,0"), "ligne 25,"},
      {"time", replaceLine(18 + 9, "9,0.50,0,0,0,0,0,0,0"), "ligne 27,"},
      {"gain", replaceLine(2, "# kp=deux"), "ligne 2,"},
      // Numbers the program could never have written.
      {"gain range", replaceLine(2, "# kp=1e300"), "ligne 2, kp=1e300 : un gain de 0 à 64"},
      {"negative gain", replaceLine(4, "# ki=-1"), "ligne 4,"},
      {"frequency", replaceLine(12, "# frequence=1e300"), "ligne 12, frequence=1e300 : une"},
      {"negative frequency", replaceLine(12, "# frequence=-0.5"), "ligne 12,"},
      {"step", replaceLine(9, "# amplitude_echelon=40"), "ligne 9,"},
      {"amplitude", replaceLine(11, "# amplitude=-0.5"), "ligne 11,"},
      {"order limit", replaceLine(13, "# ordremaxi=1e6"), "ligne 13,"},
      {"limits", replaceLine(2, "# retour_seuil_bas=12-40,9-3"), "ligne 2,"},
      {"limits end", replaceLine(3, "# retour_pleine_echelle=2001"), "ligne 3,"},
      {"short", text.substr(0, text.find("\n1990,") + 1), "ligne 2007 "},
      {"long", text + lastRow, "ligne 2019,"},
      {"huge", text + std::string(kRunFileMaxBytes, '0'), "ko"},
      {"empty", "", "ligne 0 "},
      // What a spreadsheet may save: a caption nobody would write, UTF-16, a NUL byte.
      {"caption", replaceLine(1, "# consigne=" + std::string(900'000, 'x')), "ligne 1,"},
      {"utf16", std::string("\xFF\xFE#\0 \0k\0", 8) + text, "UTF-16"},
      {"nul", replaceLine(3, std::string("# kd=0\0", 8)), "caractère nul à la ligne 3 "},
  };
  for (const Case& c : cases) {
    const std::string path = Write(c.name + ".csv", c.content);
    auto into = SampleRun(3);
    const auto before = SampleRun(3);
    try {
      ReadRunFile(path, *into);
      ADD_FAILURE() << c.name << " was accepted";
    } catch (const VantorError& e) {
      EXPECT_NE(std::string(e.what()).find(c.line), std::string::npos)
          << c.name << ": " << e.what();
    }
    EXPECT_TRUE(into->Record == before->Record) << c.name;
    EXPECT_EQ(into->SetpointCaption, before->SetpointCaption) << c.name;
    EXPECT_EQ(into->Kp, before->Kp) << c.name;
  }
}

TEST_F(RunFileTest, TheSpreadsheetExportHoldsTheRunInVoltsWithFrenchDecimals) {
  const auto run = SampleRun(11);
  const std::string path = (dir / "tableur.csv").string();
  WriteSpreadsheetFile(path, *run);
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_TRUE(text.starts_with("\xEF\xBB\xBF"));
  std::vector<std::string> lines;
  for (std::size_t at = 3; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "a line without its \\r\\n";
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Kp;2,5"), lines.end());
  const auto header = std::find_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.starts_with("t (s);"); });
  ASSERT_NE(header, lines.end());
  ASSERT_EQ(lines.end() - header - 1, run->LastEntry + 1);
  // Every field back to hundredths: the extremes of the record and the negative values
  // below one volt ("-0,05") keep their sign and digits.
  for (int k = 0; k <= run->LastEntry; ++k) {
    std::stringstream row(*(header + 1 + k));
    std::vector<long long> fields;
    for (std::string field; std::getline(row, field, ';');) {
      const auto comma = field.find(',');
      ASSERT_EQ(comma, field.size() - 3) << field;
      fields.push_back(std::stoll(field.erase(comma, 1)));
    }
    ASSERT_EQ(fields.size(), 8u) << k;
    EXPECT_EQ(fields[0], 5LL * k);
    for (int series = 0; series < kRecordSeries; ++series)
      ASSERT_EQ(fields[static_cast<std::size_t>(series) + 1], run->At(series, k)) << k;
  }
}

TEST(RunHistoryTest, KeepsTheLastEightRunsNewestFirst) {
  RunHistory history;
  for (int i = 1; i <= 9; ++i) {
    Trial t;
    t.Kp = i;
    history.Add(std::move(t));
  }
  ASSERT_EQ(history.Count(), RunHistory::kCapacity);
  for (int i = 0; i < history.Count(); ++i) {
    EXPECT_EQ(history.At(i)->Number, 9 - i);
    EXPECT_EQ(history.At(i)->Kp, 9 - i);
  }
  const auto earlier = history.Before(history.At(0).get(), 3);
  ASSERT_EQ(earlier.size(), 3u);
  EXPECT_EQ(earlier[0]->Number, 8);
  EXPECT_EQ(earlier[2]->Number, 6);
  EXPECT_EQ(history.Before(history.At(6).get(), 3).size(), 1u);
}

}  // namespace
}  // namespace vantor
