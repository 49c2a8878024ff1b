// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial line for tests of the USB board's driver: it keeps what is sent, and the board
// answers as the test scripts it (each command sent may release bytes).
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "card/SerialLine.h"

namespace vantor {

// A line whose board answers as the script says: each command sent may release bytes.
class ScriptedLine : public SerialLine {
 public:
  void Write(const std::string& bytes) override {
    Sent.push_back(bytes);
    if (OnSend) OnSend(bytes);
  }
  std::string Read(int) override {
    if (incoming.empty()) return {};
    std::string chunk = incoming.front();
    incoming.pop_front();
    return chunk;
  }
  std::string Name() const override { return "/dev/ttyTEST"; }

  void Arrive(const std::string& bytes) { incoming.push_back(bytes); }

  std::vector<std::string> Sent;
  std::function<void(const std::string&)> OnSend;
  std::deque<std::string> incoming;
};

}  // namespace vantor
