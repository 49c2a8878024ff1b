#include "SettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

#include "Rtf.h"
#include "TextEncoding.h"
#include "VantorError.h"

namespace vantor {

namespace {

constexpr const char* kOpenError = "Impossible d'ouvrir le fichier %s";
constexpr const char* kCreateError = "Impossible de créer le fichier %s";
constexpr const char* kLoadError = "Erreur au chargement du flux";
constexpr const char* kSaveError = "Erreur à l'enregistrement du flux";

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The whole content of a regular file; false when it cannot be read or exceeds `limit`.
bool ReadAll(int fd, std::size_t limit, std::string& out) {
  char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    out.append(buffer, static_cast<std::size_t>(got));
    if (out.size() > limit) return false;
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t put = ::write(fd, data.data(), data.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

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

void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the rename itself has already succeeded
  ::close(fd);
}

}  // namespace

std::string ReadDocumentBytes(const std::string& path) {
  // O_NONBLOCK keeps a named pipe put in place of a document from blocking the open;
  // only regular files are read.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) throw VantorError(FormatMessage(kOpenError, path));
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
    throw VantorError(FormatMessage(kOpenError, path));
  if (static_cast<std::uint64_t>(info.st_size) > kRtfMaxInputBytes) throw VantorError(kLoadError);
  ::fcntl(file.get(), F_SETFL, 0);

  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  if (!ReadAll(file.get(), kRtfMaxInputBytes, bytes)) {
    if (bytes.size() > kRtfMaxInputBytes) throw VantorError(kLoadError);
    throw VantorError(FormatMessage(kOpenError, path));
  }
  return bytes;
}

std::string LoadSetting(const std::string& path, int width) {
  const std::string bytes = ReadDocumentBytes(path);
  // The paragraph end that closes the value is not part of it: a value shorter than the
  // width (an address typed as "$33") then still converts.
  std::string text = LoadRichText(bytes).PlainText();
  if (text.ends_with("\r\n")) text.resize(text.size() - 2);
  if (width <= 0) return {};
  return Utf8Prefix(text, static_cast<std::size_t>(width));
}

void SaveSetting(const std::string& path, const std::string& text) {
  const std::string content = WriteRtf(text);

  // A settings file that is a symbolic link is replaced where the link points.
  std::string target = path;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) throw VantorError(FormatMessage(kCreateError, path));

  std::string temporary;
  FileDescriptor file(CreateTemporary(target, temporary));
  if (file.get() < 0) throw VantorError(FormatMessage(kCreateError, path));
  if (exists) {
    // The new file keeps the old one's permissions and, when allowed, its owner.
    ::fchmod(file.get(), info.st_mode & 07777);
    if (::fchown(file.get(), info.st_uid, info.st_gid) != 0) {
      // Not permitted for an ordinary user: the file then belongs to the writer.
    }
  }
  const bool written = WriteAll(file.get(), content) && ::fsync(file.get()) == 0;
  if (!file.Close() || !written) {
    ::unlink(temporary.c_str());
    throw VantorError(kSaveError);
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    throw VantorError(FormatMessage(kCreateError, path));
  }
  SyncDirectory(DirectoryOf(target));
}

}  // namespace vantor
