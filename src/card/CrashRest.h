// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The card's outputs put at rest from a signal handler, when the program itself can no
// longer do it: on a crash (SIGSEGV, a stack overflow included, SIGBUS, SIGFPE, SIGABRT,
// SIGILL…) and on every other signal whose default action ends the process (SIGXCPU,
// SIGPIPE, the user and real-time signals…), the rest values are written with plain port
// instructions, which are safe in a handler, on a stack of the handler's own, and the
// signal then ends the process as it would have; on a second termination signal that the program did
// not serve in time, the same writes come before the handler ends the process.
#include <cstdint>

#include "card/AD2var.h"
#include "card/HardwarePorts.h"

namespace vantor {

class CrashRest {
 public:
  using PortWrite = void (*)(std::uint16_t port, std::uint8_t value);
  using PortRead = std::uint8_t (*)(std::uint16_t port);

  // Arms the rest writes for the ISA card at adr1/adr2, through `write` and `read`,
  // which must be async-signal-safe: the hardware port instructions by default.
  // Installs the crash handlers and the emergency rest of TerminationSignals.
  static void Arm(std::uint16_t adr1, std::uint16_t adr2, PortWrite write = HardwarePorts::RawWrite,
                  PortRead read = HardwarePorts::RawRead);

  // Output 1 at 0 and output 2 at 2048 (the 0 V order), then the update read, as the
  // driver writes them. Async-signal-safe.
  static void WriteRest();
};

}  // namespace vantor
