// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A bus for tests: logs every access in order and serves scripted reads.
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "card/PortBus.h"

namespace vantor {

struct PortAccess {
  enum class Kind { Read, Write };
  Kind kind;
  std::uint16_t port;
  std::uint8_t value;  // byte written, or byte served for a read
  bool operator==(const PortAccess&) const = default;
};

class RecordingBus : public PortBus {
 public:
  std::uint8_t PortRead(std::uint16_t port) override;
  void PortWrite(std::uint16_t port, std::uint8_t value) override;

  // Bytes served by the next reads of a port, in order; once a port's script is
  // used up, reads return its default byte (0xFF unless set, as an empty ISA bus does).
  void Script(std::uint16_t port, std::vector<std::uint8_t> bytes);
  void SetDefault(std::uint16_t port, std::uint8_t value) { defaults_[port] = value; }

  const std::vector<PortAccess>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  std::vector<PortAccess> Writes() const;

 private:
  std::map<std::uint16_t, std::deque<std::uint8_t>> scripts_;
  std::map<std::uint16_t, std::uint8_t> defaults_;
  std::vector<PortAccess> log_;
};

inline PortAccess W(std::uint16_t port, std::uint8_t value) {
  return {PortAccess::Kind::Write, port, value};
}
inline PortAccess R(std::uint16_t port, std::uint8_t value) {
  return {PortAccess::Kind::Read, port, value};
}

}  // namespace vantor
