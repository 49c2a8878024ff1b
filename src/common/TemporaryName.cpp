// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TemporaryName.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <filesystem>
#include <fstream>

namespace vantor {

namespace {

// A temporary untouched for this long belongs to no save still running.
constexpr std::time_t kAbandonedAfterSeconds = 3600;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The digits that end `text` at `end`: their first index (== end when there are none).
std::size_t DigitsBefore(std::string_view text, std::size_t end) {
  std::size_t begin = end;
  while (begin > 0 && IsDigit(text[begin - 1])) --begin;
  return begin;
}

struct ParsedTemporary {
  std::string_view Target;
  std::string_view Host;  // empty: a name from before hosts were written (this machine)
  long Pid = 0;
};

long ToPid(std::string_view digits) {
  if (digits.empty() || digits.size() > 9) return 0;
  return std::strtol(std::string(digits).c_str(), nullptr, 10);
}

bool Parse(std::string_view name, ParsedTemporary& t) {
  constexpr std::string_view kRunFileMark = ".ecriture-";
  // "<target>.ecriture-<pid>"
  if (const std::size_t mark = name.rfind(kRunFileMark);
      mark != std::string_view::npos && mark > 0 && name.front() != '.') {
    t.Target = name.substr(0, mark);
    t.Host = {};
    t.Pid = DigitsBefore(name, name.size()) == mark + kRunFileMark.size()
                ? ToPid(name.substr(mark + kRunFileMark.size()))
                : 0;
    return t.Pid > 0;
  }
  if (name.size() < 2 || name.front() != '.') return false;
  const std::size_t counter = DigitsBefore(name, name.size());
  if (counter == name.size() || counter < 2) return false;
  const char afterPid = name[counter - 1];
  const std::size_t pid = DigitsBefore(name, counter - 1);
  if (pid == counter - 1 || pid < 2) return false;
  t.Pid = ToPid(name.substr(pid, counter - 1 - pid));
  if (t.Pid <= 0) return false;
  if (afterPid == '.' && name[pid - 1] == '-') {
    // ".<target>.<host>-<pid>.<n>"
    const std::size_t dot = name.rfind('.', pid - 1);
    if (dot == std::string_view::npos || dot < 2) return false;
    t.Target = name.substr(1, dot - 1);
    t.Host = name.substr(dot + 1, pid - 1 - dot - 1);
    return !t.Host.empty();
  }
  t.Host = {};
  if (afterPid == '.' && name[pid - 1] == '.') {
    // ".<target>.<pid>.<n>"
    t.Target = name.substr(1, pid - 2);
    return !t.Target.empty();
  }
  constexpr std::string_view kFolderMark = ".tmp-";
  if (afterPid == '-' && pid > kFolderMark.size() &&
      name.substr(pid - kFolderMark.size(), kFolderMark.size()) == kFolderMark) {
    // ".<target>.tmp-<pid>-<n>"
    t.Target = name.substr(1, pid - kFolderMark.size() - 1);
    return !t.Target.empty();
  }
  return false;
}

std::string ProgramNameOf(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// Whether `writer`, on this machine, may still be writing: this process, or a running
// process of this program. A process that is gone, or that runs another program (its
// number was given again), left its file behind for good.
bool IsLiveWriter(long writer) {
  if (writer == ::getpid()) return true;
  if (::kill(static_cast<pid_t>(writer), 0) != 0 && errno == ESRCH) return false;
  const std::string mine = ProgramNameOf("self");
  const std::string theirs = ProgramNameOf(std::to_string(writer));
  // When either name cannot be read, the file is kept: never remove a live one.
  return mine.empty() || theirs.empty() || mine == theirs;
}

}  // namespace

std::string DirectoryOfPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNameOfPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string HostLabel() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "hote";
  std::string label;
  for (const char* c = name; *c && *c != '.'; ++c)
    if ((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || IsDigit(*c) || *c == '-')
      label += *c;
  return label.empty() ? "hote" : label;
}

std::string TemporaryNameBeside(const std::string& target, unsigned counter) {
  return DirectoryOfPath(target) + "/." + FileNameOfPath(target) + "." + HostLabel() + "-" +
         std::to_string(::getpid()) + "." + std::to_string(counter);
}

std::size_t TemporaryNameExtraBytes() {
  // ".", then "." <host> "-" <pid> "." <counter>: a pid has 7 digits at most
  // (pid_max is 4194304 at most), the counter 10.
  return 1 + 1 + HostLabel().size() + 1 + 7 + 1 + 10;
}

int CreateTemporaryBeside(const std::string& target, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TemporaryNameBeside(target, counter++);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool IsAbandonedTemporary(const std::string& directory, std::string_view name,
                          bool (*targetAccepted)(std::string_view, const void*),
                          const void* context) {
  ParsedTemporary t;
  if (!Parse(name, t) || !targetAccepted(t.Target, context)) return false;
  struct stat info {};
  const std::string path = directory + "/" + std::string(name);
  if (::lstat(path.c_str(), &info) != 0) return false;
  if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return false;
  if (std::time(nullptr) - info.st_mtime > kAbandonedAfterSeconds) return true;
  if (!t.Host.empty() && t.Host != HostLabel()) return false;
  return !IsLiveWriter(t.Pid);
}

int RemoveAbandonedTemporaries(const std::string& directory,
                               bool (*targetAccepted)(std::string_view, const void*),
                               const void* context) {
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsAbandonedTemporary(directory, entry->d_name, targetAccepted, context)) continue;
    std::error_code ec;
    if (std::filesystem::remove_all(directory + "/" + entry->d_name, ec) > 0 && !ec) ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace vantor
