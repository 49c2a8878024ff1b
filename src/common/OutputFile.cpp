// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/FileErrors.h"
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
  struct stat info {};
  const bool inPlace = ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
  const std::string target = inPlace ? path : path + ".ecriture-" + std::to_string(::getpid());
  std::FILE* out = std::fopen(target.c_str(), "w");
  if (!out) throw VantorError(FormatMessage("Impossible de créer le fichier %s", path));
  try {
    write(out);
  } catch (...) {
    std::fclose(out);
    if (!inPlace) ::unlink(target.c_str());
    throw;
  }
  try {
    CloseOutputFile(out, path);
  } catch (...) {
    if (!inPlace) ::unlink(target.c_str());
    throw;
  }
  if (!inPlace && ::rename(target.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(target.c_str());
    ThrowWriteError(path, error);
  }
}

}  // namespace vantor
