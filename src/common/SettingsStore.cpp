// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/SettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "common/FileDescriptor.h"
#include "common/FileErrors.h"
#include "common/RegularFile.h"
#include "common/Rtf.h"
#include "common/TemporaryName.h"
#include "common/TextEncoding.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

constexpr const char* kCreateError = "Impossible de créer le fichier %s";
constexpr const char* kLoadError = "Erreur au chargement du flux";
constexpr const char* kSaveError = "Erreur à l'enregistrement du flux";



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
  FileDescriptor file(CreateTemporaryBeside(path, temporary));
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
  SyncDirectory(DirectoryOfPath(path));
}

int RemoveStaleTemporaries(const std::string& directory) {
  return RemoveAbandonedTemporaries(directory, [](std::string_view target, const void*) {
    return target.ends_with(".rtf");
  });
}

}  // namespace vantor
