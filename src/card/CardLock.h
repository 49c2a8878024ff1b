// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One program per card. Two programs driving the same card would both program its
// counters every cycle and both write the order, and stopping one would leave the other
// driving: each card is held through an exclusive flock, taken before the first port
// access and kept for the program's life. The USB board is locked by its serial device
// (SerialPort.cpp); the ISA card, which has no device file, by a lock file named after
// its two base addresses.
#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "common/VantorError.h"

namespace vantor {

// The refusal of a card that another program holds: the program that asked for it has
// nothing to do but say so and end.
class CardInUse : public VantorError {
 public:
  using VantorError::VantorError;
};

// The PID holding an flock on the file whose device and inode are those of `file`, read
// from /proc/locks, or 0 when none is found.
long FlockHolder(const struct stat& file);

// "« regulateur-vantor » (PID 1234)", or "le programme (PID 1234)" when its name cannot
// be read, or "" for pid 0.
std::string DescribeHolder(long pid);

class CardLock {
 public:
  // The folder of the lock files: /run/lock, where the system keeps them.
  static constexpr const char* kLockFolder = "/run/lock";

  // Takes the lock of the ISA card at adr1/adr2 in `folder`, or throws CardInUse naming
  // the program that holds it.
  static CardLock TakeIsaCard(std::uint16_t adr1, std::uint16_t adr2,
                              const std::string& folder = kLockFolder);

  CardLock(CardLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  CardLock& operator=(CardLock&&) = delete;
  CardLock(const CardLock&) = delete;
  ~CardLock();

 private:
  explicit CardLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace vantor
