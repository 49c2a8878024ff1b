// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The interface board's parts outside the microcontroller, as the simulated bench sees
// them: the MCP3204 converter behind its 2.5:1 dividers, the MCP4822 converter and the
// two amplifier stages after it.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace vantor::banc {

// MCP3204: 4 channels, 12 bits, 4.096 V reference, three-byte transfers while its chip
// select is low.
class Mcp3204 {
 public:
  // Sensor volts (before the divider) of a channel, read at the moment of conversion.
  using Source = std::function<double(int channel)>;
  explicit Mcp3204(Source source) : source_(std::move(source)) {}

  // Count for a sensor voltage: Vin = volts / 2.5 within 0..4.096 V, then
  // floor(Vin / 4.096 × 4096) within 0..4095.
  static std::uint16_t Count(double sensorVolts);

  void Select(bool low);
  // One byte from the microcontroller; returns the byte the chip shifts out meanwhile.
  std::uint8_t Transfer(std::uint8_t in);

 private:
  Source source_;
  bool selected_ = false;
  int index_ = 0;
  std::uint8_t first_ = 0;
  std::uint16_t count_ = 0;
};

// MCP4822: two 12-bit channels, internal 2.048 V reference, 16-bit words (A/B bit 15,
// GA bit 13 — 0 for gain 2 —, SHDN bit 12 — 0 to shut the channel down —, 12 data
// bits), latched when the chip select rises (LDAC tied low). A channel shut down, or
// never written since power-up, is pulled to 0 V.
class Mcp4822 {
 public:
  void Select(bool low);
  void Transfer(std::uint8_t in);
  // Volts on channel 0 (A) or 1 (B).
  double Volts(int channel) const { return volts_[channel]; }
  // Called after each latched word.
  std::function<void()> OnLatch;

 private:
  bool selected_ = false;
  int bytes_ = 0;
  std::uint16_t word_ = 0;
  std::array<double, 2> volts_{0.0, 0.0};
};

// Output stages of a ±15 V dual op-amp, saturating at ±12 V.
// Order: inverting around 2.048 V, gain 1000/205, so (2048 − count) / 205 volts.
double OrderVolts(double dacAVolts);
// Output 1: non-inverting, gain 10/4.095, so count 4095 gives 10 V.
double Output1Volts(double dacBVolts);

}  // namespace vantor::banc
