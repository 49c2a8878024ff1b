// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/Timer8254.h"

namespace vantor {

namespace {
constexpr std::int64_t kNsPerMs = 1'000'000;
constexpr std::int64_t kPulsesPerMs = Timer8254::kOscillatorHz / 1000;

// Oscillator pulses completed in a duration, computed without overflow for any duration a
// signed 64-bit nanosecond count can hold.
std::int64_t PulsesIn(std::int64_t ns) {
  return (ns / kNsPerMs) * kPulsesPerMs + (ns % kNsPerMs) * kPulsesPerMs / kNsPerMs;
}

// Duration until the given pulse: the first whole nanosecond at or after it.
std::int64_t NsUntilPulse(std::int64_t pulse) {
  const std::int64_t rest = (pulse % kPulsesPerMs) * kNsPerMs;
  return (pulse / kPulsesPerMs) * kNsPerMs + (rest + kPulsesPerMs - 1) / kPulsesPerMs;
}

std::int64_t FromBcd(std::uint16_t value) {
  std::int64_t result = 0;
  for (int shift = 12; shift >= 0; shift -= 4) result = result * 10 + ((value >> shift) & 0xF);
  return result;
}
}  // namespace

void Timer8254::Reset() {
  counters_ = {};
  nowNs_ = 0;
}

std::int64_t Timer8254::OscillatorPulses(const Counter& c, std::int64_t tNs) const {
  return tNs > c.loadNs ? PulsesIn(tNs - c.loadNs) : 0;
}

bool Timer8254::OutputAfter(const Counter& c, std::int64_t pulses) {
  if (!c.programmed) return false;
  if (c.mode == 3) {
    if (!c.armed) return true;
    return pulses % c.count < (c.count + 1) / 2;
  }
  return c.armed && pulses >= c.count;
}

std::int64_t Timer8254::RisesAfter(const Counter& c, std::int64_t pulses) {
  if (!c.armed) return 0;
  if (c.mode == 3) return pulses / c.count;
  return pulses >= c.count ? 1 : 0;
}

void Timer8254::AdvanceTo(std::int64_t tNs) {
  if (tNs <= nowNs_) return;
  const Counter& c2 = counters_[2];
  const std::int64_t rises =
      RisesAfter(c2, OscillatorPulses(c2, tNs)) - RisesAfter(c2, OscillatorPulses(c2, nowNs_));
  if (counters_[1].armed) counters_[1].pulses += rises;
  nowNs_ = tNs;
}

void Timer8254::WriteControl(std::uint8_t word) {
  const int select = word >> 6;
  const int access = (word >> 4) & 3;
  if (select == 3 || access == 0) return;  // read-back and latch commands: nothing to read
  Counter& c = counters_[select];
  c.programmed = true;
  c.access = access;
  c.mode = (word >> 1) & 7;
  if (c.mode >= 6) c.mode -= 4;  // 6 and 7 are aliases of 2 and 3
  c.bcd = (word & 1) != 0;
  c.msbNext = false;
  c.armed = false;
}

void Timer8254::WriteCount(int counter, std::uint8_t byte) {
  if (counter < 0 || counter > 2) return;
  Counter& c = counters_[counter];
  if (!c.programmed) return;
  switch (c.access) {
    case 1:
      Load(counter, byte);
      break;
    case 2:
      Load(counter, static_cast<std::uint16_t>(byte << 8));
      break;
    default:
      if (!c.msbNext) {
        // Writing the first byte stops a mode-0 count (its output falls) until the
        // second byte completes the new count.
        c.lsb = byte;
        c.msbNext = true;
        if (c.mode != 3) c.armed = false;
      } else {
        c.msbNext = false;
        Load(counter, static_cast<std::uint16_t>(c.lsb | (byte << 8)));
      }
      break;
  }
}

void Timer8254::Load(int counter, std::uint16_t value) {
  Counter& c = counters_[counter];
  std::int64_t n = c.bcd ? FromBcd(value) : value;
  if (n == 0) n = c.bcd ? 10000 : 65536;
  c.count = n;
  c.armed = true;
  c.loadNs = nowNs_;
  c.pulses = 0;
}

bool Timer8254::Output(int counter) const {
  if (counter < 0 || counter > 2) return false;
  const Counter& c = counters_[counter];
  const std::int64_t pulses = counter == 1 ? c.pulses : OscillatorPulses(c, nowNs_);
  return OutputAfter(c, pulses);
}

std::optional<std::int64_t> Timer8254::NextCounter1Rise() const {
  const Counter& c1 = counters_[1];
  const Counter& c2 = counters_[2];
  if (!c1.armed || OutputAfter(c1, c1.pulses)) return std::nullopt;
  // Pulses counter 1 still needs before its output rises.
  std::int64_t needed = 0;
  if (c1.mode == 3)
    needed = c1.count - c1.pulses % c1.count;
  else
    needed = c1.count - c1.pulses;
  if (!c2.armed || needed <= 0) return std::nullopt;
  const std::int64_t done = RisesAfter(c2, OscillatorPulses(c2, nowNs_));
  if (c2.mode == 3) return c2.loadNs + NsUntilPulse((done + needed) * c2.count);
  // Counter 2 in a one-shot mode gives counter 1 a single pulse.
  if (done == 0 && needed == 1) return c2.loadNs + NsUntilPulse(c2.count);
  return std::nullopt;
}

}  // namespace vantor
