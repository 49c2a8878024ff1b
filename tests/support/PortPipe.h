// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Port writes of a child process sent down a pipe to the test, from a signal handler or
// a guardian process as well: three bytes per write, with nothing but write(2).
#include <unistd.h>

#include <cstdint>

namespace vantor::port_pipe {

// The pipe's write end in the child.
inline int g_fd = -1;

inline void Write(std::uint16_t port, std::uint8_t value) {
  const unsigned char bytes[3] = {static_cast<unsigned char>(port & 0xFF),
                                  static_cast<unsigned char>(port >> 8), value};
  if (::write(g_fd, bytes, sizeof bytes) < 0) ::_exit(99);
}

inline std::uint8_t NoRead(std::uint16_t) {
  return 0xFF;
}

}  // namespace vantor::port_pipe
