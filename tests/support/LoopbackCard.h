// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A card for tests of the loopback check: output 1 wired back to input 0.
#include <cstdint>
#include <string>
#include <vector>

#include "card/AcquisitionCard.h"
#include "common/VantorError.h"

namespace vantor {

// A card whose input 0 reads output 1 through a wire with a gain and an offset, as the
// previous period left it; it can fail after a number of periods.
class LoopbackCard : public AcquisitionCard {
 public:
  void Initialise() override {}
  std::int32_t ConvertInput(std::int32_t channel) override {
    if (channel != 0 || !Wired) return 0;
    const double volts = Gain * Output1CountToVolts(applied_) + Offset;
    return InputVoltsToCounts(volts);
  }
  void WriteOrder(std::uint16_t count) override { Orders.push_back(count); }
  void WriteOutput1(std::uint16_t count) override { held_ = count; }
  void StartPeriod(std::int32_t) override {
    if (++Periods == FailAtPeriod) throw VantorError("carte muette");
  }
  bool WaitPeriodEnd() override {
    applied_ = held_;
    return false;
  }
  void EndPeriods() override { ++Ended; }
  std::string Description() const override { return "carte d'essai"; }

  double Gain = 1.0, Offset = 0.0;
  bool Wired = true;
  int Periods = 0, FailAtPeriod = -1, Ended = 0;
  std::vector<std::uint16_t> Orders;
  std::uint16_t Output1() const { return held_; }

 private:
  std::uint16_t held_ = 0, applied_ = 0;
};

}  // namespace vantor
