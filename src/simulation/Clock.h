// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Time seen by the simulated card. The program runs it on the real clock; tests and the
// headless tool run it on a virtual clock that only moves when the card says so, which
// makes a long run take a fraction of a second and repeat bit for bit.
#include <chrono>
#include <cstdint>

namespace vantor {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since the clock's origin.
  virtual double Now() = 0;
  virtual bool IsVirtual() const = 0;
  // Returns when Now() >= t. A virtual clock jumps there at once.
  virtual void SleepUntil(double t) = 0;
};

// Monotonic wall-clock time (steady_clock), origin at construction.
class RealClock : public Clock {
 public:
  RealClock();
  double Now() override;
  bool IsVirtual() const override { return false; }
  void SleepUntil(double t) override;

 private:
  std::chrono::steady_clock::time_point origin_;
};

// Time kept as a whole number of nanoseconds, starting at 0; it advances only through
// SleepUntil or Advance, never by itself.
class VirtualClock : public Clock {
 public:
  double Now() override { return static_cast<double>(nanoseconds_) * 1e-9; }
  bool IsVirtual() const override { return true; }
  // Never goes back: a target in the past leaves the time unchanged.
  void SleepUntil(double t) override;
  void Advance(double seconds) { SleepUntil(Now() + seconds); }
  std::int64_t Nanoseconds() const { return nanoseconds_; }

 private:
  std::int64_t nanoseconds_ = 0;
};

}  // namespace vantor
