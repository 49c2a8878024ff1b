// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingBus.h"

namespace vantor {

std::uint8_t RecordingBus::PortRead(std::uint16_t port) {
  std::uint8_t value = 0xFF;
  auto def = defaults_.find(port);
  if (def != defaults_.end()) value = def->second;
  auto it = scripts_.find(port);
  if (it != scripts_.end() && !it->second.empty()) {
    value = it->second.front();
    it->second.pop_front();
  }
  log_.push_back({PortAccess::Kind::Read, port, value});
  return value;
}

void RecordingBus::PortWrite(std::uint16_t port, std::uint8_t value) {
  log_.push_back({PortAccess::Kind::Write, port, value});
}

void RecordingBus::Script(std::uint16_t port, std::vector<std::uint8_t> bytes) {
  auto& q = scripts_[port];
  q.insert(q.end(), bytes.begin(), bytes.end());
}

std::vector<PortAccess> RecordingBus::Writes() const {
  std::vector<PortAccess> out;
  for (const auto& a : log_)
    if (a.kind == PortAccess::Kind::Write) out.push_back(a);
  return out;
}

}  // namespace vantor
