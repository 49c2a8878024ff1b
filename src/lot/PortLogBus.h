// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A PortBus that forwards every access to another bus and writes one line per access
// to a file ("W 0x336 0x00", "R 0x337 0xFF"), so a teacher can check the byte
// sequences the program sends to the card. Every write to the file is checked: the
// first failure is kept (Error) and the accesses still reach the card.
#include <cerrno>
#include <cstdio>

#include "card/PortBus.h"

namespace vantor {

class PortLogBus : public PortBus {
 public:
  // `out` stays owned by the caller and must outlive the bus.
  PortLogBus(PortBus& inner, std::FILE* out) : inner_(inner), out_(out) {}

  std::uint8_t PortRead(std::uint16_t port) override {
    const std::uint8_t value = inner_.PortRead(port);
    Check(std::fprintf(out_, "R 0x%03X 0x%02X\n", port, value));
    return value;
  }
  void PortWrite(std::uint16_t port, std::uint8_t value) override {
    Check(std::fprintf(out_, "W 0x%03X 0x%02X\n", port, value));
    inner_.PortWrite(port, value);
  }

  // The errno value of the first failed write to the file, 0 while all succeeded.
  int Error() const { return error_; }

 private:
  void Check(int written) {
    if (written < 0 && error_ == 0) error_ = errno != 0 ? errno : EIO;
  }

  PortBus& inner_;
  std::FILE* out_;
  int error_ = 0;
};

}  // namespace vantor
