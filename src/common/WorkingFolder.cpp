// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/WorkingFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/FileDescriptor.h"
#include "common/FileErrors.h"
#include "common/TemporaryName.h"
#include "common/VantorError.h"

namespace vantor {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProgramFolder = "regulateur-vantor";
const char* const kFolders[] = {"sauvegarde", "aide", "méthode"};

[[noreturn]] void Fail(const fs::path& folder, const std::string& cause) {
  throw VantorError(
      WithCauseLine("Impossible de préparer le dossier de travail " + folder.string(), cause));
}

[[noreturn]] void Fail(const fs::path& folder, int err, const fs::path& what) {
  // Making a folder where a file stands reports that the name exists.
  std::string cause = SystemCauseText(err == EEXIST ? ENOTDIR : err);
  if (what != folder) cause += " (" + what.string() + ")";
  Fail(folder, cause);
}

bool HasSettings(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder / "sauvegarde", ec);
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::symlink_status(p, ec).type() != fs::file_type::not_found;
}

// A name for a temporary entry next to `target`, unique to this process and call.
fs::path TemporaryNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  return TemporaryNameBeside(target.string(), ++counter);
}

// What a first start killed while it filled `folder` left beside it.
void RemoveAbandonedCopies(const fs::path& folder) {
  const std::string name = folder.filename().string();
  RemoveAbandonedTemporaries(
      folder.parent_path().string(),
      [](std::string_view target, const void* ours) {
        return target == *static_cast<const std::string*>(ours);
      },
      &name);
}

// Creates the folder (its parents too) as the user's umask allows; 0 or errno.
int MakeFolders(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  return ec ? ec.value() : 0;
}

// Copies one file to a temporary name next to `to`, flushes it, then renames it into
// place: `to` appears complete or not at all. Returns 0 or errno, with the file at
// fault (`from` when it cannot be read) in `failed`.
int CopyFileInPlace(const fs::path& from, const fs::path& to, fs::path& failed) {
  failed = from;
  FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return errno;
  failed = to;
  const fs::path temp = TemporaryNameFor(to);
  FileDescriptor out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (out.get() < 0) return errno;
  int err = 0;
  char buffer[65536];
  while (!err) {
    const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      err = errno;
      failed = from;
    }
    if (got <= 0) break;
    if (!WriteAll(out.get(), std::string_view(buffer, static_cast<std::size_t>(got)))) err = errno;
  }
  if (!err && ::fsync(out.get()) != 0) err = errno;
  if (!out.Close() && !err) err = errno;
  if (!err && ::rename(temp.c_str(), to.c_str()) != 0) err = errno;
  if (err) ::unlink(temp.c_str());
  return err;
}

// The pristine files, as paths relative to the pristine folder; hidden files (a
// version-control note, a copy in progress) are not part of it.
std::vector<fs::path> PristineFiles(const fs::path& pristine, const fs::path& target) {
  std::vector<fs::path> files;
  for (const char* name : kFolders) {
    std::error_code ec;
    const fs::path root = pristine / name;
    if (!fs::is_directory(root, ec)) continue;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
      if (it->path().filename().string().front() != '.' && it->is_regular_file(ec))
        files.push_back(it->path().lexically_relative(pristine));
    if (ec) Fail(target, ec.value(), root);
  }
  return files;
}

fs::path FindPristine(const std::vector<std::string>& candidates, const fs::path& target) {
  for (const std::string& c : candidates)
    if (!c.empty() && HasSettings(c)) return c;
  std::string cause = "la copie d'origine des réglages est introuvable";
  if (!candidates.empty()) cause += " (" + candidates.front() + ")";
  Fail(target, cause);
}

// Copies every pristine file the folder misses; keeps every file it has. Returns 0 or
// errno, with the path that failed in `failed`.
int CopyMissing(const fs::path& pristine, const std::vector<fs::path>& files,
                const fs::path& folder, fs::path& failed) {
  for (const fs::path& rel : files) {
    const fs::path to = folder / rel;
    if (Exists(to)) continue;
    if (const int err = MakeFolders(to.parent_path())) {
      failed = to.parent_path();
      return err;
    }
    if (const int err = CopyFileInPlace(pristine / rel, to, failed)) return err;
  }
  return 0;
}

// Fills `folder` from the pristine copy. A missing folder is built under a temporary
// name beside it, then renamed, so that it never exists half-filled.
void Fill(const fs::path& folder, const std::vector<std::string>& candidates) {
  const fs::path pristine = FindPristine(candidates, folder);
  const std::vector<fs::path> files = PristineFiles(pristine, folder);
  fs::path failed;
  std::error_code ec;
  RemoveAbandonedCopies(folder);
  const fs::file_status status = fs::status(folder, ec);
  if (status.type() == fs::file_type::not_found && fs::is_symlink(fs::symlink_status(folder, ec)))
    Fail(folder, "c'est un lien symbolique vers " + fs::read_symlink(folder, ec).string() +
                     ", qui n'existe pas : recréez ce dossier ou supprimez le lien");
  if (status.type() == fs::file_type::not_found) {
    if (const int err = MakeFolders(folder.parent_path())) Fail(folder, err, folder.parent_path());
    const fs::path temp = TemporaryNameFor(folder);
    if (::mkdir(temp.c_str(), 0777) != 0) Fail(folder, errno, folder);
    int err = CopyMissing(pristine, files, temp, failed);
    if (!err && ::rename(temp.c_str(), folder.c_str()) != 0) {
      err = errno;
      failed = folder;
    }
    if (!err) return;
    fs::remove_all(temp, ec);
    // Another start of the program made the folder meanwhile: complete it below.
    if (err != EEXIST && err != ENOTEMPTY) {
      // Name a file of the new folder as the user will look for it, not under its
      // temporary name.
      const fs::path rel = failed.lexically_relative(temp);
      if (!rel.empty() && *rel.begin() != "..") failed = (folder / rel).lexically_normal();
      Fail(folder, err, failed);
    }
  } else if (status.type() != fs::file_type::directory) {
    Fail(folder, ec ? ec.value() : ENOTDIR, folder);
  }
  if (const int err = CopyMissing(pristine, files, folder, failed)) Fail(folder, err, failed);
}

fs::path PerUserFolder(const WorkingFolderRequest& r) {
  fs::path base;
  if (fs::path(r.DataHome).is_absolute())
    base = r.DataHome;
  else if (!r.Home.empty())
    base = fs::path(r.Home) / ".local" / "share";
  else
    throw VantorError(
        "Impossible de trouver le dossier personnel de l'utilisateur : la variable HOME est "
        "vide");
  return (base / kProgramFolder).lexically_normal();
}

}  // namespace

WorkingFolder ResolveWorkingFolder(const WorkingFolderRequest& request) {
  if (request.Named) {
    if (request.Named->empty()) throw VantorError("Le nom du dossier de travail est vide");
    fs::path folder = fs::path(request.Current) / *request.Named;  // absolute stays
    folder = folder.lexically_normal();
    if (!folder.has_filename()) folder = folder.parent_path();  // "dir/" -> "dir"
    if (!HasSettings(folder)) Fill(folder, request.Pristine);
    return {folder.string(), WorkingFolderOrigin::Named};
  }
  if (HasSettings(request.Current)) return {request.Current, WorkingFolderOrigin::Current};
  const fs::path folder = PerUserFolder(request);
  Fill(folder, request.Pristine);
  return {folder.string(), WorkingFolderOrigin::PerUser};
}

std::optional<std::string> FolderOption(int argc, const char* const* argv) {
  std::optional<std::string> folder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--dossier=", 0) == 0) {
      folder = arg.substr(10);
    } else if (arg == "--dossier") {
      if (i + 1 >= argc) throw VantorError("L'option --dossier attend le nom d'un dossier");
      folder = argv[++i];
    }
  }
  return folder;
}

WorkingFolderRequest ProcessWorkingFolderRequest(std::optional<std::string> named,
                                                 const std::string& sourceFolder) {
  WorkingFolderRequest r;
  r.Named = std::move(named);
  std::error_code ec;
  r.Current = fs::current_path(ec).string();
  if (const char* v = std::getenv("XDG_DATA_HOME")) r.DataHome = v;
  if (const char* v = std::getenv("HOME")) r.Home = v;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec)
    r.Pristine.push_back(
        (exe.parent_path() / ".." / "share" / kProgramFolder).lexically_normal().string());
  if (!sourceFolder.empty()) r.Pristine.push_back(sourceFolder);
  return r;
}

void EnterWorkingFolder(const WorkingFolder& folder) {
  if (::chdir(folder.Path.c_str()) != 0) Fail(folder.Path, errno, folder.Path);
}

}  // namespace vantor
