// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Model of the card's Intel 8254 interval timer and of its wiring: counters 0 and 2 are
// clocked by the card's 2.458 MHz oscillator, counter 2's output clocks counter 1, and
// counter 1's output reaches digital input line 7. Times are nanoseconds of the card's
// clock; nothing is simulated clock by clock: the counters' states are computed from the
// time elapsed since they were loaded, so any instant can be reached in one step.
//
// What is modelled: control words (counter select, LSB/MSB/both access, mode, BCD),
// loading of the count, mode 0 (output low from the control word until the count ends,
// then high) and mode 3 (square wave, high for the first half of each period). Modes 1,
// 2, 4 and 5 behave as mode 0. The count takes effect as soon as it is complete (a real
// 8254 loads it on the next clock edge), and counter 1 counts one pulse per period of
// counter 2's output, at the period's end. Counters cannot be read back; latch and
// read-back commands are ignored.
#include <array>
#include <cstdint>
#include <optional>

namespace vantor {

class Timer8254 {
 public:
  static constexpr std::int64_t kOscillatorHz = 2'458'000;

  // Power-up: counters unprogrammed, outputs low.
  void Reset();
  // Brings the counters to time tNs (ignored when tNs is not later than the last time).
  // Every write must be preceded by AdvanceTo its own time.
  void AdvanceTo(std::int64_t tNs);
  void WriteControl(std::uint8_t word);
  void WriteCount(int counter, std::uint8_t byte);

  // Output of counter 0..2 at the last AdvanceTo time.
  bool Output(int counter) const;
  // When counter 1's output will next go from low to high, if the present programming
  // makes it happen; nullopt when it is high already or will never rise.
  std::optional<std::int64_t> NextCounter1Rise() const;

 private:
  struct Counter {
    bool programmed = false;  // a control word has been written since power-up
    int access = 3;           // 1 LSB only, 2 MSB only, 3 LSB then MSB
    int mode = 0;
    bool bcd = false;
    bool msbNext = false;  // access 3: the next byte is the MSB
    std::uint8_t lsb = 0;
    bool armed = false;       // a complete count is loaded and counting
    std::int64_t count = 0;   // N, 1..65536 (0 written means the largest count)
    std::int64_t loadNs = 0;  // oscillator-clocked counters: when the count was loaded
    std::int64_t pulses = 0;  // counter 1: pulses received since it was loaded
  };

  void Load(int counter, std::uint16_t value);
  std::int64_t OscillatorPulses(const Counter& c, std::int64_t tNs) const;
  static bool OutputAfter(const Counter& c, std::int64_t pulses);
  static std::int64_t RisesAfter(const Counter& c, std::int64_t pulses);

  std::array<Counter, 3> counters_{};
  std::int64_t nowNs_ = 0;
};

}  // namespace vantor
