// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the regulation loop does with a card, whatever the card: the ISA card on its
// ports (AD2var), the USB interface board over a serial line. Counts are the card's
// (see CardScale.h); every operation may throw VantorError when the card stops
// answering, with a French message that names the card and the likely cause.
//
// A card that failed stays failed: once an operation failed (a bounded wait reached, an
// alarm of the card, the line to it lost), Failed() says so, with the reason, until
// Reset() has re-armed the card; the loop resets a failed card before a run's first
// cycle, and starts no run on a card whose reset fails.
#include <cstdint>
#include <exception>
#include <string>

#include "common/CardScale.h"
#include "common/VantorError.h"

namespace vantor {

// The card itself reported, at the end of a period, that the order written during it
// never reached its outputs (the USB board's watchdog tripped, its outputs at rest, the
// board stopped or restarted): the cycle that wrote it is not part of the run.
class CardAlarm : public VantorError {
 public:
  using VantorError::VantorError;
};

class AcquisitionCard {
 public:
  virtual ~AcquisitionCard() = default;

  // Puts the card in a known state, inputs in their 0..10.24 V range. The outputs are
  // put at rest by the caller right after.
  virtual void Initialise() = 0;
  // The inputs in their 0..10.24 V range again (a setpoint button does it on the ISA
  // card); nothing on a card that has no other range.
  virtual void SelectInputRange() {}
  // One conversion of analog input `channel` (0: external setpoint, 1: feedback), counts.
  virtual std::int32_t ConvertInput(std::int32_t channel) = 0;
  // Output 2, the order; output 1.
  virtual void WriteOrder(std::uint16_t count) = 0;
  virtual void WriteOutput1(std::uint16_t count) = 0;
  // The top of a cycle: the period of periodMs milliseconds starts now.
  virtual void StartPeriod(std::int32_t periodMs) = 0;
  // Returns when the period started last has ended (bounded wait); true when the card
  // itself knows the cycle came late (the USB board's frames say so). Throws CardAlarm
  // when the card says the period's order was not applied.
  virtual bool WaitPeriodEnd() = 0;
  // After WaitPeriodEnd: false when the card knows that the order written during the
  // period reached its outputs too late to count, the previous one being held instead.
  virtual bool OrderApplied() const { return true; }
  // What the link to the card showed during the last run, in a French line for the
  // user (frames lost or damaged, late cycles on the card); empty when nothing to say.
  virtual std::string RunReport() const { return {}; }
  // The run is over: no more periods (the USB board stops sampling).
  virtual void EndPeriods() {}
  // What the card is, for messages and captions ("carte ISA en $330/$340").
  virtual std::string Description() const = 0;

  // Output 2 at the 0 V order, then output 1 at 0.
  void PutOutputsAtRest() {
    WriteOrder(kOrderRestCount);
    WriteOutput1(kOutput1RestCount);
  }

  // Whether an operation failed since the card was opened or last reset.
  bool Failed() const { return !failure_.empty(); }
  // Why, in French: the message of the operation that failed (or of the reset that did
  // not bring the card back); empty while the card works.
  const std::string& FailureReason() const { return failure_; }
  // Records a failure seen by the caller (the line to the card lost, an access refused);
  // the first reason stays until the reset.
  void MarkFailed(const std::string& reason) {
    if (failure_.empty()) failure_ = reason.empty() ? std::string("carte en panne") : reason;
  }
  // Re-arms the card (Rearm) and forgets the failure. When the card still does not answer,
  // it stays failed with the reset's reason, which is thrown.
  void Reset() {
    try {
      Rearm();
    } catch (const std::exception& e) {
      failure_.clear();
      MarkFailed(e.what());
      throw;
    }
    failure_.clear();
  }

 protected:
  // What Reset() does to the card: by default, what Initialise() does.
  virtual void Rearm() { Initialise(); }
  // Throws `error` once recorded as the card's failure.
  template <class Error>
  [[noreturn]] void Fail(const Error& error) {
    MarkFailed(error.what());
    throw error;
  }

 private:
  std::string failure_;
};

}  // namespace vantor
