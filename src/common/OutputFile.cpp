// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/FileErrors.h"
#include "common/RegularFile.h"
#include "common/TemporaryName.h"
#include "common/VantorError.h"

namespace vantor {

namespace {



[[noreturn]] void ThrowWriteError(const std::string& path, int error) {
  throw VantorError(WithCauseLine(FormatMessage("Erreur à l'écriture du fichier %s", path),
                                  SystemCauseText(error != 0 ? error : EIO)));
}

}  // namespace

void CloseOutputFile(std::FILE* file, const std::string& path, int earlier) {
  int error = earlier;
  if (std::fflush(file) != 0 && error == 0) error = errno;
  if (std::ferror(file) && error == 0) error = EIO;
  if (std::fclose(file) != 0 && error == 0) error = errno;
  if (error != 0) ThrowWriteError(path, error);
}

void WriteOutputFile(const std::string& path, const std::function<void(std::FILE*)>& write) {
  // Only a regular file or a new one is ever written: opening a named pipe or a device
  // for writing may block for good, and a folder cannot be replaced.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    throw VantorError(WithCauseLine(FormatMessage("Impossible de créer le fichier %s", path),
                                    NotRegularFileCause(info.st_mode)));
  // What an earlier write of this file, killed, left beside it.
  const std::string name = FileNameOfPath(path);
  RemoveAbandonedTemporaries(
      DirectoryOfPath(path),
      [](std::string_view target, const void* ours) {
        return target == *static_cast<const std::string*>(ours);
      },
      &name);
  std::string target;
  const int fd = CreateTemporaryBeside(path, target);
  std::FILE* out = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
  if (!out) {
    const int error = errno;
    if (fd >= 0) {
      ::close(fd);
      ::unlink(target.c_str());
    }
    throw VantorError(WithCauseLine(FormatMessage("Impossible de créer le fichier %s", path),
                                    SystemCauseText(error)));
  }
  try {
    write(out);
  } catch (...) {
    std::fclose(out);
    ::unlink(target.c_str());
    throw;
  }
  try {
    CloseOutputFile(out, path);
  } catch (...) {
    ::unlink(target.c_str());
    throw;
  }
  if (::rename(target.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(target.c_str());
    ThrowWriteError(path, error);
  }
}

}  // namespace vantor
