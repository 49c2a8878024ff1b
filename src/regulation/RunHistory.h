// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The runs kept in memory: the last eight, newest first, each numbered in the order it
// was kept (runs made here and run files opened alike). Qt-free.
#include <deque>
#include <memory>

#include "regulation/Trial.h"

namespace vantor {

class RunHistory {
 public:
  static constexpr int kCapacity = 8;

  // Keeps `t` as the newest run, numbered after the previous one; the oldest run goes
  // when more than kCapacity are kept. Returns the kept run.
  std::shared_ptr<const Trial> Add(Trial t);

  int Count() const { return static_cast<int>(runs_.size()); }
  // i = 0 is the newest run.
  const std::shared_ptr<const Trial>& At(int i) const {
    return runs_.at(static_cast<std::size_t>(i));
  }
  // Up to `n` runs kept before `run` (newest first); none when `run` is not kept.
  std::deque<std::shared_ptr<const Trial>> Before(const Trial* run, int n) const;

 private:
  std::deque<std::shared_ptr<const Trial>> runs_;
  int lastNumber_ = 0;
};

}  // namespace vantor
