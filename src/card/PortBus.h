// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The only way the program reaches the acquisition card: one byte in, one byte out,
// at 16-bit I/O port numbers. Hardware ports, the simulated card and the recording bus
// of the tests stand behind it.
#include <cstdint>

namespace vantor {

class PortBus {
 public:
  virtual ~PortBus() = default;
  virtual std::uint8_t PortRead(std::uint16_t port) = 0;
  virtual void PortWrite(std::uint16_t port, std::uint8_t value) = 0;
};

}  // namespace vantor
