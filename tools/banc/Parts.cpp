// SPDX-License-Identifier: GPL-3.0-or-later
#include "Parts.h"

#include <algorithm>
#include <cmath>

namespace vantor::banc {

namespace {
constexpr double kSaturationVolts = 12.0;
double Saturate(double volts) { return std::clamp(volts, -kSaturationVolts, kSaturationVolts); }
}  // namespace

std::uint16_t Mcp3204::Count(double sensorVolts) {
  if (!std::isfinite(sensorVolts)) return 0;
  double vin = std::clamp(sensorVolts / 2.5, 0.0, 4.096);
  double count = std::floor(vin / 4.096 * 4096.0);
  return static_cast<std::uint16_t>(std::clamp(count, 0.0, 4095.0));
}

void Mcp3204::Select(bool low) {
  selected_ = low;
  index_ = 0;
}

std::uint8_t Mcp3204::Transfer(std::uint8_t in) {
  if (!selected_) return 0xFF;
  std::uint8_t out = 0;
  switch (index_) {
    case 0:
      first_ = in;
      break;
    case 1: {
      // The conversion samples here, once the channel is known.
      count_ = 0;
      if (first_ & 0x04) {
        int channel = ((first_ & 0x01) << 2) | (in >> 6);
        channel &= 0x03;  // D2 is ignored by the four-channel part
        if (first_ & 0x02) {
          count_ = Count(source_(channel));
        } else {
          // Pseudo-differential: IN+ is the channel, IN− its neighbour of the pair.
          double plus = source_(channel), minus = source_(channel ^ 1);
          count_ = Count(plus - minus);
        }
      }
      out = static_cast<std::uint8_t>((count_ >> 8) & 0x0F);
      break;
    }
    case 2:
      out = static_cast<std::uint8_t>(count_ & 0xFF);
      break;
    default:
      break;
  }
  ++index_;
  return out;
}

void Mcp4822::Select(bool low) {
  if (low && !selected_) {
    bytes_ = 0;
    word_ = 0;
  }
  if (!low && selected_ && bytes_ == 2) {
    int channel = (word_ >> 15) & 1;
    bool gainOne = (word_ >> 13) & 1;
    bool active = (word_ >> 12) & 1;
    double volts = (word_ & 0x0FFF) / 4096.0 * 2.048 * (gainOne ? 1.0 : 2.0);
    volts_[channel] = active ? volts : 0.0;
    if (OnLatch) OnLatch();
  }
  selected_ = low;
}

void Mcp4822::Transfer(std::uint8_t in) {
  if (!selected_) return;
  if (bytes_ < 2) word_ = static_cast<std::uint16_t>((word_ << 8) | in);
  ++bytes_;
}

double OrderVolts(double dacAVolts) { return Saturate(-(1000.0 / 205.0) * (dacAVolts - 2.048)); }

double Output1Volts(double dacBVolts) { return Saturate(dacBVolts * 10.0 / 4.095); }

}  // namespace vantor::banc
