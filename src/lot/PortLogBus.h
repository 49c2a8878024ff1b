#pragma once
// A PortBus that forwards every access to another bus and writes one line per access
// to a file ("W 0x336 0x00", "R 0x337 0xFF"), so a teacher can check the byte
// sequences the program sends to the card.
#include <cstdio>

#include "PortBus.h"

namespace vantor {

class PortLogBus : public PortBus {
 public:
  // `out` stays owned by the caller and must outlive the bus.
  PortLogBus(PortBus& inner, std::FILE* out) : inner_(inner), out_(out) {}

  std::uint8_t PortRead(std::uint16_t port) override {
    const std::uint8_t value = inner_.PortRead(port);
    std::fprintf(out_, "R 0x%03X 0x%02X\n", port, value);
    return value;
  }
  void PortWrite(std::uint16_t port, std::uint8_t value) override {
    std::fprintf(out_, "W 0x%03X 0x%02X\n", port, value);
    inner_.PortWrite(port, value);
  }

 private:
  PortBus& inner_;
  std::FILE* out_;
};

}  // namespace vantor
