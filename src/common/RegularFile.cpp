// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "common/FileDescriptor.h"
#include "common/FileErrors.h"
#include "common/VantorError.h"

namespace vantor {

std::string NotRegularFileCause(unsigned mode) {
  if (S_ISDIR(mode)) return "c'est un dossier, pas un fichier";
  if (S_ISFIFO(mode)) return "c'est un tube nommé, pas un fichier ordinaire";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "c'est un périphérique, pas un fichier ordinaire";
  if (S_ISSOCK(mode)) return "c'est une prise de communication, pas un fichier ordinaire";
  return "ce n'est pas un fichier ordinaire";
}

namespace {

constexpr const char* kOpenError = "Impossible d'ouvrir le fichier %s";

// The rest of a file, up to `limit` bytes; false when it cannot be read or exceeds it.
bool ReadAll(int fd, std::size_t limit, std::string& out, bool& tooLarge) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    out.append(buffer, static_cast<std::size_t>(got));
    if (out.size() > limit) {
      tooLarge = true;
      return false;
    }
  }
}

// Opens the regular file at `path` for reading, its size in `info`.
// O_NONBLOCK keeps a named pipe from blocking the open; only regular files are read,
// and those never block, so the flag is cleared before reading.
int OpenRegular(const std::string& path, struct stat& info) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.get() < 0) throw VantorError(FormatMessage(kOpenError, path));
  if (::fstat(file.get(), &info) != 0) throw VantorError(FormatMessage(kOpenError, path));
  if (!S_ISREG(info.st_mode))
    throw VantorError(WithCauseLine(FormatMessage(kOpenError, path), NotRegularFileCause(info.st_mode)));
  ::fcntl(file.get(), F_SETFL, 0);
  const int fd = file.get();
  file.Release();
  return fd;
}

}  // namespace

void ReadRegularFilePrefix(const std::string& path, std::size_t bytes, std::string& out) {
  out.clear();
  struct stat info {};
  FileDescriptor file(OpenRegular(path, info));
  out.resize(std::min<std::uint64_t>(bytes, static_cast<std::uint64_t>(info.st_size)));
  std::size_t have = 0;
  while (have < out.size()) {
    const ssize_t got = ::read(file.get(), out.data() + have, out.size() - have);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw VantorError(FormatMessage(kOpenError, path));
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  out.resize(have);
}

bool ReadRegularFile(const std::string& path, std::size_t limit, std::string& out) {
  out.clear();
  struct stat info {};
  FileDescriptor file(OpenRegular(path, info));
  if (static_cast<std::uint64_t>(info.st_size) > limit) return false;

  out.reserve(static_cast<std::size_t>(info.st_size));
  bool tooLarge = false;
  if (!ReadAll(file.get(), limit, out, tooLarge)) {
    if (tooLarge) return false;
    throw VantorError(FormatMessage(kOpenError, path));
  }
  return true;
}

}  // namespace vantor
