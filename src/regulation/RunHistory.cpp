// SPDX-License-Identifier: GPL-3.0-or-later
#include "regulation/RunHistory.h"

namespace vantor {

std::shared_ptr<const Trial> RunHistory::Add(Trial t) {
  t.Number = ++lastNumber_;
  runs_.push_front(std::make_shared<const Trial>(std::move(t)));
  while (Count() > kCapacity) runs_.pop_back();
  return runs_.front();
}

std::deque<std::shared_ptr<const Trial>> RunHistory::Before(const Trial* run, int n) const {
  std::deque<std::shared_ptr<const Trial>> out;
  std::size_t i = 0;
  while (i < runs_.size() && runs_[i].get() != run) ++i;
  for (++i; i < runs_.size() && static_cast<int>(out.size()) < n; ++i) out.push_back(runs_[i]);
  return out;
}

}  // namespace vantor
