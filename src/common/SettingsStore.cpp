// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/SettingsStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "common/FileDescriptor.h"
#include "common/FileErrors.h"
#include "common/RegularFile.h"
#include "common/Rtf.h"
#include "common/TextEncoding.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

constexpr const char* kCreateError = "Impossible de créer le fichier %s";
constexpr const char* kLoadError = "Erreur au chargement du flux";
constexpr const char* kSaveError = "Erreur à l'enregistrement du flux";

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates a new, empty file next to `target` for the replacement content. The file is
// created with mode 0666 so that the process umask applies as for any new file.
int CreateTemporary(const std::string& target, std::string& name) {
  static unsigned counter = 0;
  const std::string stem =
      DirectoryOf(target) + "/." + BaseNameOf(target) + "." + std::to_string(::getpid()) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem + std::to_string(counter++);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// "<name>.rtf.<pid>.<n>" after the leading point of a temporary file: the writer's pid.
bool ParseTemporaryName(std::string_view name, pid_t& writer) {
  if (name.size() < 2 || name.front() != '.') return false;
  const auto digitsBefore = [&](std::size_t end) {
    std::size_t begin = end;
    while (begin > 0 && name[begin - 1] >= '0' && name[begin - 1] <= '9') --begin;
    return begin;
  };
  const std::size_t counter = digitsBefore(name.size());
  if (counter == name.size() || counter == 0 || name[counter - 1] != '.') return false;
  const std::size_t pid = digitsBefore(counter - 1);
  if (pid == counter - 1 || pid == 0 || name[pid - 1] != '.' || counter - 1 - pid > 9) return false;
  if (!name.substr(1, pid - 2).ends_with(".rtf")) return false;
  writer = static_cast<pid_t>(
      std::strtol(std::string(name.substr(pid, counter - 1 - pid)).c_str(), nullptr, 10));
  return writer > 0;
}

std::string ProgramNameOf(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// Whether `writer` may still be writing its temporary file: this process, or a running
// process of this program. A process that is gone, or that runs another program (its
// number was given again), left its file behind for good.
bool IsLiveWriter(pid_t writer) {
  if (writer == ::getpid()) return true;
  if (::kill(writer, 0) != 0 && errno == ESRCH) return false;
  const std::string mine = ProgramNameOf("self");
  const std::string theirs = ProgramNameOf(std::to_string(writer));
  // When either name cannot be read, the file is kept: never remove a live one.
  return mine.empty() || theirs.empty() || mine == theirs;
}

std::string TooLargeCause(std::size_t limit) {
  return "fichier trop volumineux : plus de " + std::to_string(limit / (1024 * 1024)) + " Mo";
}

void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the rename itself has already succeeded
  ::close(fd);
}

}  // namespace

std::string ReadDocumentBytes(const std::string& path, std::size_t limit) {
  std::string bytes;
  if (!ReadRegularFile(path, limit, bytes))
    throw VantorError(WithFileLine(kLoadError, path, TooLargeCause(limit)));
  return bytes;
}

std::string LoadSetting(const std::string& path, int width) {
  const std::string bytes = ReadDocumentBytes(path);
  // The paragraph end that closes the value is not part of it: a value shorter than the
  // width (an address typed as "$33") then still converts.
  std::string text;
  try {
    text = LoadRichText(bytes).PlainText();
  } catch (const VantorError& e) {
    throw VantorError(WithFileLine(e.what(), path));
  }
  if (text.ends_with("\r\n")) text.resize(text.size() - 2);
  if (width <= 0) return {};
  return Utf8Prefix(text, static_cast<std::size_t>(width));
}

void SaveSetting(const std::string& path, const std::string& text) {
  const std::string content = WriteRtf(text);

  struct stat info {};
  const bool exists = ::lstat(path.c_str(), &info) == 0;
  if (exists) {
    // Nothing is ever written through a link: the file it points to may lie anywhere.
    if (S_ISLNK(info.st_mode))
      throw VantorError(WithCauseLine(FormatMessage(kCreateError, path),
                                      "c'est un lien symbolique ; le programme n'écrit pas à "
                                      "travers un lien. Remplacez-le par un fichier ordinaire"));
    if (!S_ISREG(info.st_mode)) throw VantorError(FormatMessage(kCreateError, path));
    // A file made read-only is left as it is, even for root, who could still replace it.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
      throw VantorError(
          WithCauseLine(FormatMessage(kCreateError, path), "le fichier est en lecture seule"));
  }

  std::string temporary;
  FileDescriptor file(CreateTemporary(path, temporary));
  if (file.get() < 0) throw VantorError(FormatMessage(kCreateError, path));
  if (exists) {
    // The new file keeps the old one's permissions and, when allowed, its owner.
    ::fchmod(file.get(), info.st_mode & 07777);
    if (::fchown(file.get(), info.st_uid, info.st_gid) != 0) {
      // Not permitted for an ordinary user: the file then belongs to the writer.
    }
  }
  int error = 0;
  if (!WriteAll(file.get(), content) || ::fsync(file.get()) != 0) error = errno;
  if (!file.Close() && error == 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    throw VantorError(WithFileLine(kSaveError, path, SystemCauseText(error)));
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    throw VantorError(FormatMessage(kCreateError, path));
  }
  SyncDirectory(DirectoryOf(path));
}

int RemoveStaleTemporaries(const std::string& directory) {
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    pid_t writer = 0;
    if (!ParseTemporaryName(entry->d_name, writer) || IsLiveWriter(writer)) continue;
    const std::string path = directory + "/" + entry->d_name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::unlink(path.c_str()) == 0)
      ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace vantor
