// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>

#include "common/Numbers.h"
#include "common/Rtf.h"
#include "common/SettingsStore.h"
#include "common/TemporaryName.h"
#include "common/VantorError.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

template <typename Call>
std::string ErrorOf(Call call) {
  try {
    call();
  } catch (const VantorError& e) {
    return e.what();
  }
  return "(no error)";
}

// Runs each test in a fresh working directory holding an empty "sauvegarde" folder, as
// the program does, so that the relative paths are those the program passes.
class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantor-store-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    previous_ = fs::current_path();
    fs::current_path(root_);
    fs::create_directory("sauvegarde");
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
  }
  // Files of the folder other than the settings themselves (left-over temporaries).
  static int StrayFiles() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("sauvegarde"))
      if (entry.path().filename().string().starts_with(".")) ++count;
    return count;
  }

  fs::path root_;
  fs::path previous_;
};

TEST_F(SettingsStoreTest, TheFourCharacterCutGivesTheValuesOfTheTable) {
  struct Row {
    const char* stored;
    const char* taken;
    long double value;
  };
  for (const Row& row :
       {Row{"2.00", "2.00", 2}, Row{"16.00", "16.0", 16}, Row{"64.00", "64.0", 64},
        Row{"-10.00", "-10.", -10}, Row{"-2.50", "-2.5", -2.5L}, Row{"0.10", "0.10", 0.1L}}) {
    SaveSetting("sauvegarde/kpmax.rtf", row.stored);
    const std::string taken = LoadSetting("sauvegarde/kpmax.rtf", 4);
    EXPECT_EQ(taken, row.taken);
    EXPECT_EQ(StrToFloat(taken), row.value) << row.stored;
  }
  struct Address {
    const char* stored;
    const char* taken;
    int value;
  };
  for (const Address& row : {Address{"$330", "$330", 816}, Address{"$0340", "$034", 52},
                             Address{"3300", "3300", 3300}}) {
    SaveSetting("sauvegarde/adr2.rtf", row.stored);
    const std::string taken = LoadSetting("sauvegarde/adr2.rtf", 4);
    EXPECT_EQ(taken, row.taken);
    EXPECT_EQ(StrToInt(taken), row.value) << row.stored;
  }
}

TEST_F(SettingsStoreTest, ALongValueIsWrittenWholeAndReadBackCut) {
  SaveSetting("sauvegarde/adr2.rtf", "$0340");
  RtfDocument doc;
  ASSERT_TRUE(ParseRtf(ReadFile("sauvegarde/adr2.rtf"), doc));
  EXPECT_EQ(doc.PlainText(), "$0340\r\n");
  EXPECT_EQ(LoadSetting("sauvegarde/adr2.rtf", 4), "$034");
}

TEST_F(SettingsStoreTest, AValueShorterThanTheWidthHasNoLineBreakAndConverts) {
  SaveSetting("sauvegarde/adr1.rtf", "$33");
  EXPECT_EQ(LoadSetting("sauvegarde/adr1.rtf", 4), "$33");
  EXPECT_EQ(StrToInt(LoadSetting("sauvegarde/adr1.rtf", 4)), 0x33);
  SaveSetting("sauvegarde/finalech.rtf", "8");
  EXPECT_EQ(StrToFloat(LoadSetting("sauvegarde/finalech.rtf", 4)), 8);
  // Only the value's own paragraph end is left out; nothing is trimmed.
  SaveSetting("sauvegarde/adr1.rtf", "$3 ");
  EXPECT_EQ(LoadSetting("sauvegarde/adr1.rtf", 4), "$3 ");
  EXPECT_THROW(StrToInt(LoadSetting("sauvegarde/adr1.rtf", 4)), VantorError);
  WriteFile("sauvegarde/adr1.rtf", "{\\rtf1 $3\\par x\\par}");
  EXPECT_EQ(LoadSetting("sauvegarde/adr1.rtf", 4), "$3\r\n");
}

TEST_F(SettingsStoreTest, PlainTextFilesAreAccepted) {
  WriteFile("sauvegarde/kdmax.rtf", "2.00\n");
  EXPECT_EQ(StrToFloat(LoadSetting("sauvegarde/kdmax.rtf", 4)), 2);
  WriteFile("sauvegarde/kdmax.rtf", "2.00\r\nune autre ligne\r\n");
  EXPECT_EQ(StrToFloat(LoadSetting("sauvegarde/kdmax.rtf", 4)), 2);
  WriteFile("sauvegarde/kdmax.rtf", "4");
  EXPECT_EQ(StrToFloat(LoadSetting("sauvegarde/kdmax.rtf", 4)), 4);
  WriteFile("sauvegarde/pamo.rtf", "\xE9l\xE8ve\n");  // code page 1252
  EXPECT_EQ(LoadSetting("sauvegarde/pamo.rtf", 5), "élève");
}

TEST_F(SettingsStoreTest, TheWidthCountsCharactersNotBytes) {
  SaveSetting("sauvegarde/pamo.rtf", "vantor");
  EXPECT_EQ(LoadSetting("sauvegarde/pamo.rtf", 5), "vanto");
  SaveSetting("sauvegarde/pamo.rtf", "éèàùçœ");
  EXPECT_EQ(LoadSetting("sauvegarde/pamo.rtf", 5), "éèàùç");
  SaveSetting("sauvegarde/pamo.rtf", "ab😀cd");
  EXPECT_EQ(LoadSetting("sauvegarde/pamo.rtf", 3), "ab😀");
  EXPECT_EQ(LoadSetting("sauvegarde/pamo.rtf", 0), "");
  EXPECT_EQ(LoadSetting("sauvegarde/pamo.rtf", 100), "ab😀cd");
}

TEST_F(SettingsStoreTest, EveryWrittenValueReadsBackTheSame) {
  for (const std::string text : {"0.00", "5.00", "-10.00", "99.99", "$330", "$340", "vanto", "",
                                 "a{b}\\c", "Été 2€", "x y  z", "ΩΩ"}) {
    SaveSetting("sauvegarde/ordremaxi.rtf", text);
    EXPECT_EQ(LoadSetting("sauvegarde/ordremaxi.rtf", 1000), text);
  }
  EXPECT_EQ(StrayFiles(), 0);
}

TEST_F(SettingsStoreTest, AMissingFileIsReportedWithThePathAsPassed) {
  EXPECT_EQ(ErrorOf([] { LoadSetting("sauvegarde/kdmax.rtf", 4); }),
            "Impossible d'ouvrir le fichier sauvegarde/kdmax.rtf");
  EXPECT_EQ(ErrorOf([] { LoadSetting("./sauvegarde//kdmax.rtf", 4); }),
            "Impossible d'ouvrir le fichier ./sauvegarde//kdmax.rtf");
  // A folder or a named pipe in place of the file cannot be opened either (and the
  // pipe does not block the read).
  fs::create_directory("sauvegarde/kimax.rtf");
  EXPECT_EQ(ErrorOf([] { LoadSetting("sauvegarde/kimax.rtf", 4); }),
            "Impossible d'ouvrir le fichier sauvegarde/kimax.rtf\n"
            "Cause : c'est un dossier, pas un fichier");
  ASSERT_EQ(::mkfifo("sauvegarde/kpmax.rtf", 0600), 0);
  EXPECT_EQ(ErrorOf([] { LoadSetting("sauvegarde/kpmax.rtf", 4); }),
            "Impossible d'ouvrir le fichier sauvegarde/kpmax.rtf\n"
            "Cause : c'est un tube nommé, pas un fichier ordinaire");
}

TEST_F(SettingsStoreTest, ContentThatIsNeitherRtfNorTextIsAStreamError) {
  WriteFile("sauvegarde/kpmax.rtf", std::string("\x7F"
                                                "ELF\x02\x01\x01\0\0\0",
                                                10));
  EXPECT_EQ(ErrorOf([] { LoadSetting("sauvegarde/kpmax.rtf", 4); }),
            "Erreur au chargement du flux\nFichier : sauvegarde/kpmax.rtf");
}

TEST_F(SettingsStoreTest, AFileThatCannotBeCreatedIsReportedWithThePathAsPassed) {
  EXPECT_EQ(ErrorOf([] { SaveSetting("absent/kpmax.rtf", "2.00"); }),
            "Impossible de créer le fichier absent/kpmax.rtf");
  EXPECT_FALSE(fs::exists("absent"));
  // A folder where the file should be is left alone.
  fs::create_directory("sauvegarde/kpmax.rtf");
  WriteFile("sauvegarde/kpmax.rtf/inside", "x");
  EXPECT_EQ(ErrorOf([] { SaveSetting("sauvegarde/kpmax.rtf", "2.00"); }),
            "Impossible de créer le fichier sauvegarde/kpmax.rtf");
  EXPECT_EQ(ReadFile("sauvegarde/kpmax.rtf/inside"), "x");
  EXPECT_EQ(StrayFiles(), 0);
}

TEST_F(SettingsStoreTest, AWriteThatFailsPartWayLeavesThePreviousFileIntact) {
  SaveSetting("sauvegarde/kpmax.rtf", "16.00");
  const std::string before = ReadFile("sauvegarde/kpmax.rtf");
  // The file size limit makes the write fail after a few bytes, even for root.
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 20;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = ErrorOf([] { SaveSetting("sauvegarde/kpmax.rtf", "64.00"); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(error,
            "Erreur à l'enregistrement du flux\nFichier : sauvegarde/kpmax.rtf (fichier trop grand "
            "pour le système)");
  EXPECT_EQ(ReadFile("sauvegarde/kpmax.rtf"), before);
  EXPECT_EQ(LoadSetting("sauvegarde/kpmax.rtf", 4), "16.0");
  EXPECT_EQ(StrayFiles(), 0);
}

TEST_F(SettingsStoreTest, ReplacingAFileKeepsItsPermissions) {
  SaveSetting("sauvegarde/kimax.rtf", "2.00");
  fs::permissions("sauvegarde/kimax.rtf",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  SaveSetting("sauvegarde/kimax.rtf", "4.00");
  EXPECT_EQ(fs::status("sauvegarde/kimax.rtf").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(LoadSetting("sauvegarde/kimax.rtf", 4), "4.00");
}

TEST_F(SettingsStoreTest, NeitherALinkNorAReadOnlyFileIsReplaced) {
  // A link to a file outside the folder (the workstation on the card runs as root).
  WriteFile("cible", "precieux");
  fs::create_symlink("../cible", "sauvegarde/kpmax.rtf");
  EXPECT_EQ(ErrorOf([] { SaveSetting("sauvegarde/kpmax.rtf", "8.00"); }),
            "Impossible de créer le fichier sauvegarde/kpmax.rtf\nCause : c'est un lien "
            "symbolique ; le programme n'écrit pas à travers un lien. Remplacez-le par un "
            "fichier ordinaire");
  EXPECT_EQ(ReadFile("cible"), "precieux");
  EXPECT_TRUE(fs::is_symlink("sauvegarde/kpmax.rtf"));

  // A file without any write permission is honoured, whoever runs the program.
  SaveSetting("sauvegarde/kimax.rtf", "2.00");
  fs::permissions("sauvegarde/kimax.rtf", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(ErrorOf([] { SaveSetting("sauvegarde/kimax.rtf", "4.00"); }),
            "Impossible de créer le fichier sauvegarde/kimax.rtf\nCause : le fichier est en "
            "lecture seule");
  EXPECT_EQ(LoadSetting("sauvegarde/kimax.rtf", 4), "2.00");
  EXPECT_EQ(StrayFiles(), 0);
}

TEST_F(SettingsStoreTest, StaleTemporariesAreRemovedAndLiveOnesKept) {
  // A writer that is gone, and a number now held by a process of another program.
  const pid_t gone = ::fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const pid_t other = ::fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    ::execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // A writer of this same program still running (a copy of this process), and this one.
  const pid_t alive = ::fork();
  ASSERT_GE(alive, 0);
  if (alive == 0) {
    ::pause();
    ::_exit(0);
  }
  // Wait until the exec has taken place: the process then bears the other program's name.
  for (int i = 0; i < 500 && ReadFile("/proc/" + std::to_string(other) + "/comm") != "sleep\n"; ++i)
    ::usleep(10000);

  const auto temporary = [](pid_t pid) { return ".kpmax.rtf." + std::to_string(pid) + ".3"; };
  for (pid_t pid : {gone, other, alive, ::getpid()})
    WriteFile("sauvegarde/" + temporary(pid), "{\\rtf1 16.0");
  WriteFile("sauvegarde/.notes.txt.12.1", "not one of ours");
  // Named with their machine: a save of another machine sharing the folder is never
  // touched, whatever its number means here, until it has lain untouched for an hour.
  const std::string gonePid = std::to_string(gone);
  const std::string here = ".kpmax.rtf." + HostLabel() + "-" + gonePid + ".1";
  const std::string there = ".kpmax.rtf.autre-pc-" + gonePid + ".1";
  const std::string old = ".kimax.rtf.autre-pc-" + gonePid + ".2";
  for (const std::string& name : {here, there, old}) WriteFile("sauvegarde/" + name, "{\\rtf1");
  fs::last_write_time("sauvegarde/" + old,
                      fs::file_time_type::clock::now() - std::chrono::hours(2));
  EXPECT_EQ(RemoveStaleTemporaries("sauvegarde"), 4);
  ::kill(other, SIGKILL);
  ::kill(alive, SIGKILL);
  ::waitpid(other, nullptr, 0);
  ::waitpid(alive, nullptr, 0);

  EXPECT_FALSE(fs::exists("sauvegarde/" + temporary(gone)));
  EXPECT_FALSE(fs::exists("sauvegarde/" + temporary(other)));
  EXPECT_TRUE(fs::exists("sauvegarde/" + temporary(alive)));
  EXPECT_TRUE(fs::exists("sauvegarde/" + temporary(::getpid())));
  EXPECT_TRUE(fs::exists("sauvegarde/.notes.txt.12.1"));
  EXPECT_FALSE(fs::exists("sauvegarde/" + here));
  EXPECT_TRUE(fs::exists("sauvegarde/" + there));
  EXPECT_FALSE(fs::exists("sauvegarde/" + old));
}

TEST_F(SettingsStoreTest, ACommaLocaleChangesNothingInTheFiles) {
  if (!std::setlocale(LC_ALL, "fr_FR.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.utf8"))
    GTEST_SKIP() << "locale fr_FR.UTF-8 not installed";
  SaveSetting("sauvegarde/amplimaxi.rtf", FormatFixed2(2.5L));
  const std::string taken = LoadSetting("sauvegarde/amplimaxi.rtf", 4);
  const long double value = StrToFloat(taken);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(taken, "2.50");
  EXPECT_EQ(value, 2.5L);
  EXPECT_EQ(ReadFile("sauvegarde/amplimaxi.rtf"), WriteRtf("2.50"));
}

// Another reader of the files written here: LibreOffice or unrtf, when installed.
TEST_F(SettingsStoreTest, WrittenFilesOpenInOtherRtfReaders) {
  SaveSetting("sauvegarde/pamo.rtf", "Été {x} \\ Ω");
  const std::string expected = "Été {x} \\ Ω";
  if (std::system("command -v unrtf >/dev/null 2>&1") == 0) {
    // unrtf's text output is Latin-1 only; its HTML output names every character.
    ASSERT_EQ(std::system("unrtf --html sauvegarde/pamo.rtf > unrtf.html 2>/dev/null"), 0);
    std::string html = ReadFile("unrtf.html");
    for (const auto& [entity, character] : {std::pair<std::string, std::string>{"&Eacute;", "É"},
                                            {"&#201;", "É"},
                                            {"&eacute;", "é"},
                                            {"&#233;", "é"},
                                            {"&Omega;", "Ω"},
                                            {"&#937;", "Ω"}}) {
      for (std::size_t p = html.find(entity); p != std::string::npos; p = html.find(entity, p))
        html.replace(p, entity.size(), character);
    }
    EXPECT_NE(html.find(expected), std::string::npos) << html;
  } else if (std::system("command -v libreoffice >/dev/null 2>&1") == 0) {
    ASSERT_EQ(std::system("HOME=\"$PWD\" libreoffice --headless --convert-to txt:Text:76 "
                          "--outdir converti sauvegarde/pamo.rtf >/dev/null 2>&1"),
              0);
    std::string text = ReadFile("converti/pamo.txt");
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    EXPECT_EQ(text.substr(0, expected.size()), expected) << text;
  } else {
    GTEST_SKIP() << "neither unrtf nor libreoffice is installed";
  }
}

}  // namespace
}  // namespace vantor
