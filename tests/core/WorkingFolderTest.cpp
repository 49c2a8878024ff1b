// SPDX-License-Identifier: GPL-3.0-or-later
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "common/VantorError.h"
#include "common/WorkingFolder.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every entry under `folder` (files and folders, hidden ones too), with the bytes and
// the modification time of each file.
struct Entry {
  std::string bytes;
  fs::file_time_type time;
  bool operator==(const Entry&) const = default;
};
std::map<std::string, Entry> Tree(const fs::path& folder) {
  std::map<std::string, Entry> tree;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    Entry entry;
    if (e.is_regular_file()) entry = {ReadFile(e.path()), e.last_write_time()};
    tree[e.path().lexically_relative(folder).string()] = entry;
  }
  return tree;
}

// The files the program ships in sauvegarde/, aide/ and méthode/ (hidden ones are
// notes for version control).
std::map<std::string, std::string> ShippedFiles() {
  std::map<std::string, std::string> files;
  for (const char* name : {"sauvegarde", "aide", "méthode"})
    for (const auto& e : fs::recursive_directory_iterator(fs::path(VANTOR_SOURCE_DIR) / name))
      if (e.is_regular_file() && e.path().filename().string().front() != '.')
        files[e.path().lexically_relative(VANTOR_SOURCE_DIR).string()] = ReadFile(e.path());
  return files;
}

class WorkingFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantor-folder-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::permissions(root_, fs::perms::all);  // reachable by the unprivileged user below
    fs::create_directories(root_ / "ici");
    fs::create_directories(root_ / "maison");
    // The installed copy: the shipped files, in a place any user can read.
    fs::create_directories(root_ / "share");
    for (const char* name : {"sauvegarde", "aide", "méthode"})
      fs::copy(fs::path(VANTOR_SOURCE_DIR) / name, root_ / "share" / name,
               fs::copy_options::recursive);
  }
  void TearDown() override {
    std::error_code ignored;
    for (const auto& e : fs::recursive_directory_iterator(root_, ignored))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
  }

  WorkingFolderRequest Request() const {
    WorkingFolderRequest r;
    r.Current = (root_ / "ici").string();
    r.Home = (root_ / "maison").string();
    r.Pristine = {(root_ / "absent").string(), (root_ / "share").string()};
    return r;
  }

  // The error of a resolution run by an ordinary user (the tests may run as root, whom
  // no permission stops); "" when it succeeds.
  std::string ErrorAsOrdinaryUser(const WorkingFolderRequest& r) const {
    int fds[2];
    if (::pipe(fds) != 0) return "(pipe)";
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(fds[0]);
      if (::getuid() == 0 &&
          (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
        ::_exit(3);
      std::string message;
      try {
        ResolveWorkingFolder(r);
      } catch (const VantorError& e) {
        message = e.what();
      }
      if (::write(fds[1], message.data(), message.size()) < 0) ::_exit(4);
      ::_exit(0);
    }
    ::close(fds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;)
      message.append(buffer, static_cast<std::size_t>(got));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "(child failed)";
    return message;
  }

  fs::path root_;
};

TEST_F(WorkingFolderTest, NamedFolderWinsOverTheCurrentOneWhichWinsOverThePerUserOne) {
  WorkingFolderRequest r = Request();
  r.DataHome = "relatif";  // not absolute: ignored
  WorkingFolder w = ResolveWorkingFolder(r);
  EXPECT_EQ(w.Origin, WorkingFolderOrigin::PerUser);
  EXPECT_EQ(w.Path, (root_ / "maison/.local/share/regulateur-vantor").string());

  r.DataHome = (root_ / "donnees").string();
  w = ResolveWorkingFolder(r);
  EXPECT_EQ(w.Path, (root_ / "donnees/regulateur-vantor").string());

  // A working copy in the current folder is used as it is: nothing is added to it.
  fs::create_directories(root_ / "ici/sauvegarde");
  w = ResolveWorkingFolder(r);
  EXPECT_EQ(w.Origin, WorkingFolderOrigin::Current);
  EXPECT_EQ(w.Path, (root_ / "ici").string());
  EXPECT_EQ(Tree(root_ / "ici").size(), 1u);

  // --dossier wins over it, relative to the current folder; a new folder is filled.
  r.Named = "labo/";
  w = ResolveWorkingFolder(r);
  EXPECT_EQ(w.Origin, WorkingFolderOrigin::Named);
  EXPECT_EQ(w.Path, (root_ / "ici/labo").string());
  EXPECT_EQ(ReadFile(root_ / "ici/labo/sauvegarde/kpmax.rtf"),
            ReadFile(root_ / "share/sauvegarde/kpmax.rtf"));

  // A named folder that already holds sauvegarde/ (a lab-wide folder, perhaps read-only
  // for students) is used as it is.
  r.Named = (root_ / "ici").string();
  w = ResolveWorkingFolder(r);
  EXPECT_EQ(w.Path, (root_ / "ici").string());
  EXPECT_EQ(Tree(root_ / "ici/sauvegarde").size(), 0u);
}

TEST_F(WorkingFolderTest, FirstStartCopiesTheShippedFilesLaterStartsKeepTheTeachersOnes) {
  const WorkingFolderRequest r = Request();
  // What a first start killed while copying left: removed by the next one.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const fs::path share = root_ / "maison/.local/share";
  const fs::path killed = share / (".regulateur-vantor.tmp-" + std::to_string(gone) + "-1");
  fs::create_directories(killed / "sauvegarde");
  std::ofstream(killed / "sauvegarde/kpmax.rtf") << "16";
  const fs::path folder = ResolveWorkingFolder(r).Path;
  EXPECT_FALSE(fs::exists(killed));
  std::map<std::string, std::string> copied;
  for (const auto& [path, entry] : Tree(folder))
    if (fs::is_regular_file(folder / path)) copied[path] = entry.bytes;
  EXPECT_EQ(copied, ShippedFiles());
  EXPECT_EQ(Tree(folder / "sauvegarde").size(), 15u);

  // The teacher changes a range and loses a help text; every file is made old so that
  // a rewrite would show.
  std::ofstream(folder / "sauvegarde/kpmax.rtf", std::ios::binary) << "32.00";
  fs::remove(folder / "aide/souris.rtf");
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) fs::last_write_time(e.path(), old);
  auto before = Tree(folder);

  EXPECT_EQ(ResolveWorkingFolder(r).Path, folder.string());
  auto after = Tree(folder);
  EXPECT_EQ(ReadFile(folder / "sauvegarde/kpmax.rtf"), "32.00");
  ASSERT_EQ(after.count("aide/souris.rtf"), 1u);
  EXPECT_EQ(after["aide/souris.rtf"].bytes, ReadFile(root_ / "share/aide/souris.rtf"));
  after.erase("aide/souris.rtf");
  EXPECT_EQ(after, before);  // nothing else rewritten, no temporary file left

  before = Tree(root_ / "maison");
  ResolveWorkingFolder(r);
  EXPECT_EQ(Tree(root_ / "maison"), before);
}

TEST_F(WorkingFolderTest, AFolderThatCannotBeMadeIsNamedWithItsCauseAndNothingIsHalfWritten) {
  WorkingFolderRequest r = Request();

  // Read-only parent.
  fs::create_directories(root_ / "lecture-seule");
  fs::permissions(root_ / "lecture-seule", fs::perms::owner_read | fs::perms::owner_exec |
                                               fs::perms::group_read | fs::perms::group_exec |
                                               fs::perms::others_read | fs::perms::others_exec);
  r.DataHome = (root_ / "lecture-seule").string();
  EXPECT_EQ(ErrorAsOrdinaryUser(r), "Impossible de préparer le dossier de travail " +
                                        (root_ / "lecture-seule/regulateur-vantor").string() +
                                        "\nCause : permission refusée");
  EXPECT_TRUE(fs::is_empty(root_ / "lecture-seule"));

  // A shipped file that cannot be read: the folder is not left half-filled.
  fs::permissions(root_ / "share/aide/souris.rtf", fs::perms::none);
  fs::create_directories(root_ / "ouvert");
  fs::permissions(root_ / "ouvert", fs::perms::all);
  r.DataHome = (root_ / "ouvert").string();
  const std::string error = ErrorAsOrdinaryUser(r);
  EXPECT_NE(error.find("permission refusée (" + (root_ / "share/aide/souris.rtf").string()),
            std::string::npos)
      << error;
  EXPECT_TRUE(fs::is_empty(root_ / "ouvert"));

  // No pristine copy to fill it from.
  r.Pristine = {(root_ / "absent").string()};
  EXPECT_NE(ErrorAsOrdinaryUser(r).find("introuvable"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(root_ / "ouvert"));

  // A link to a folder that is gone is named as such, and stays as it is.
  r = Request();
  r.DataHome = (root_ / "ouvert").string();
  fs::create_directory_symlink(root_ / "disparu", root_ / "ouvert/regulateur-vantor");
  try {
    ResolveWorkingFolder(r);
    ADD_FAILURE() << "a dangling link was accepted";
  } catch (const VantorError& e) {
    EXPECT_NE(std::string(e.what()).find("lien symbolique vers " + (root_ / "disparu").string()),
              std::string::npos)
        << e.what();
  }
  EXPECT_TRUE(fs::is_symlink(root_ / "ouvert/regulateur-vantor"));
  EXPECT_FALSE(fs::exists(root_ / "disparu"));

  // A file where the folder should be stays as it is.
  r = Request();
  fs::create_directories(root_ / "maison/.local/share");
  std::ofstream(root_ / "maison/.local/share/regulateur-vantor") << "notes";
  EXPECT_THROW(ResolveWorkingFolder(r), VantorError);
  EXPECT_EQ(ReadFile(root_ / "maison/.local/share/regulateur-vantor"), "notes");
}

TEST(WorkingFolderOptionTest, ReadsBothSpellingsAndRefusesAMissingValue) {
  const char* spaced[] = {"prog", "-platform", "xcb", "--dossier", "/srv/labo"};
  EXPECT_EQ(FolderOption(5, spaced), "/srv/labo");
  const char* joined[] = {"prog", "--dossier=/srv/labo"};
  EXPECT_EQ(FolderOption(2, joined), "/srv/labo");
  const char* none[] = {"prog"};
  EXPECT_EQ(FolderOption(1, none), std::nullopt);
  const char* missing[] = {"prog", "--dossier"};
  EXPECT_THROW(FolderOption(2, missing), VantorError);
}

}  // namespace
}  // namespace vantor
