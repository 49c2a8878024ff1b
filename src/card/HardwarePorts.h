// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The card's real I/O ports on x86 Linux: ioperm() grants the two blocks of eight ports,
// then every access is one inb/outb instruction. Needs root or CAP_SYS_RAWIO, and a
// kernel that still offers ioperm(); when access is refused the program says why and how
// to grant it, and never falls back on the simulated card by itself.
#include <cstdint>
#include <memory>
#include <string>

#include "card/PortBus.h"

namespace vantor {

class HardwarePorts : public PortBus {
 public:
  // Grants the blocks ADR1..ADR1+7 and ADR2..ADR2+7, or throws VantorError with a French
  // message naming the cause and the remedy.
  static std::unique_ptr<HardwarePorts> Open(std::uint16_t adr1, std::uint16_t adr2);
  // The message Open throws when ioperm() fails with errnoValue.
  static std::string AccessRefusedMessage(int errnoValue, std::uint16_t adr1, std::uint16_t adr2);

  ~HardwarePorts() override;
  HardwarePorts(const HardwarePorts&) = delete;
  HardwarePorts& operator=(const HardwarePorts&) = delete;

  std::uint8_t PortRead(std::uint16_t port) override;
  void PortWrite(std::uint16_t port, std::uint8_t value) override;

  // One port instruction, with no state: safe in a signal handler. Only meaningful once
  // Open has granted the ports.
  static std::uint8_t RawRead(std::uint16_t port);
  static void RawWrite(std::uint16_t port, std::uint8_t value);

 private:
  HardwarePorts(std::uint16_t adr1, std::uint16_t adr2) : adr1_(adr1), adr2_(adr2) {}

  std::uint16_t adr1_;
  std::uint16_t adr2_;
};

}  // namespace vantor
