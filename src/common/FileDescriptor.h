// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A POSIX file descriptor closed when it goes out of scope, and a write that goes on
// until everything is written.
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace vantor {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Gives the descriptor up: it is no longer closed here.
  void Release() { fd_ = -1; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Writes all of `data` to `fd`, again after an interrupted or partial write. False, with
// errno set, when a write fails.
inline bool WriteAll(int fd, std::string_view data) {
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

}  // namespace vantor
