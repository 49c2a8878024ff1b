// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What happens to a run, told to whoever listens: the run started (its record just
// cleared), a cycle was recorded (at s.RecordPos), the run ended (the record complete,
// the outputs at rest; also when the card failed during a cycle). "Début" without a
// setpoint starts no run and tells nothing. Observers are called in the order they were
// added, on the loop's thread, and must not throw.
#include <algorithm>
#include <vector>

namespace vantor {

struct RegulationState;

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void RunStarted(const RegulationState&) {}
  virtual void CycleRecorded(const RegulationState&) {}
  virtual void RunEnded(const RegulationState&) {}
};

class RunEvents {
 public:
  void Add(RunObserver& observer) { observers_.push_back(&observer); }
  void Remove(RunObserver& observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), &observer),
                     observers_.end());
  }

  void Started(const RegulationState& s) const {
    for (RunObserver* o : observers_) o->RunStarted(s);
  }
  void CycleRecorded(const RegulationState& s) const {
    for (RunObserver* o : observers_) o->CycleRecorded(s);
  }
  void Ended(const RegulationState& s) const {
    for (RunObserver* o : observers_) o->RunEnded(s);
  }

 private:
  std::vector<RunObserver*> observers_;
};

}  // namespace vantor
