// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/FileErrors.h"
#include "common/RegularFile.h"
#include "common/TemporaryName.h"
#include "common/TextEncoding.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

constexpr const char* kCreateError = "Impossible de créer le fichier %s";

[[noreturn]] void ThrowWriteError(const std::string& path, int error) {
  throw VantorError(WithCauseLine(FormatMessage("Erreur à l'écriture du fichier %s", path),
                                  SystemCauseText(error != 0 ? error : EIO)));
}

// A folder entry's longest name, in bytes, on the file systems met (ext4, btrfs, xfs,
// tmpfs, vfat and NTFS in UTF-8).
constexpr std::size_t kLongestEntryName = 255;

}  // namespace

void CloseOutputFile(std::FILE* file, const std::string& path, int earlier) {
  int error = earlier;
  if (std::fflush(file) != 0 && error == 0) error = errno;
  if (std::ferror(file) && error == 0) error = EIO;
  if (std::fclose(file) != 0 && error == 0) error = errno;
  if (error != 0) ThrowWriteError(path, error);
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  // Opening a named pipe or a device for writing may block for good, and a folder
  // cannot be replaced.
  struct stat info {};
  if (::stat(path_.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    throw VantorError(
        WithCauseLine(FormatMessage(kCreateError, path_), NotRegularFileCause(info.st_mode)));
  // What an earlier write of this file, killed, left beside it.
  const std::string name = FileNameOfPath(path_);
  RemoveAbandonedTemporaries(
      DirectoryOfPath(path_),
      [](std::string_view target, const void* ours) {
        return target == *static_cast<const std::string*>(ours);
      },
      &name);
  const int fd = CreateTemporaryBeside(path_, temporary_);
  out_ = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
  if (!out_) {
    const int error = errno;
    if (fd >= 0) {
      ::close(fd);
      ::unlink(temporary_.c_str());
    }
    throw VantorError(WithCauseLine(FormatMessage(kCreateError, path_), SystemCauseText(error)));
  }
}

OutputFile::~OutputFile() {
  if (!out_) return;
  std::fclose(out_);
  ::unlink(temporary_.c_str());
}

void OutputFile::Write(std::string_view bytes) {
  if (bytes.empty() || error_ != 0) return;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size())
    error_ = errno != 0 ? errno : EIO;
}

void OutputFile::Commit() {
  std::FILE* const out = out_;
  out_ = nullptr;
  try {
    CloseOutputFile(out, path_, error_);
  } catch (...) {
    ::unlink(temporary_.c_str());
    throw;
  }
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary_.c_str());
    ThrowWriteError(path_, error);
  }
}

void WriteOutputFile(const std::string& path, const std::function<void(std::FILE*)>& write) {
  OutputFile file(path);
  write(file.Stream());
  file.Commit();
}

std::string AcceptableFileName(std::string_view name) {
  std::string clean;
  clean.reserve(name.size());
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t start = at;
    const char32_t c = NextUtf8(name, at);
    const bool invalid = c == 0xFFFD && name.substr(start, at - start) != "\xEF\xBF\xBD";
    if (c == '/' || c < 0x20 || (c >= 0x7F && c < 0xA0) || invalid)
      clean += '_';
    else
      clean.append(name.substr(start, at - start));
  }
  const std::size_t room = kLongestEntryName - TemporaryNameExtraBytes();
  if (clean.size() <= room) return clean;
  // The extension: a short last part after a '.', never the whole name.
  std::size_t dot = clean.rfind('.');
  if (dot == std::string::npos || dot == 0 || clean.size() - dot > 16) dot = clean.size();
  const std::string extension = clean.substr(dot);
  return Utf8PrefixBytes(std::string_view(clean).substr(0, dot), room - extension.size()) +
         extension;
}

}  // namespace vantor
