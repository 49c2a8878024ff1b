// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The law that turns a cycle's error into the order, chosen for each run. The
// corrector always computes the error and the three terms (the analysis window shows
// them whatever the law); the law then gives the order before its limits. The PID of
// the main window (proportional, decaying derivative, integral, summed in that order)
// and the open loop (the order is the setpoint) are the two laws every run can use.
#include <string>

namespace vantor {

struct RegulationState;

class CorrectorLaw {
 public:
  virtual ~CorrectorLaw() = default;
  // Once at the start of each run, after the corrector's memory is cleared.
  virtual void BeginRun(const RegulationState&) {}
  // The order of one cycle before the limits, from the error and terms in `s`.
  virtual long double Order(const RegulationState& s, long double setpoint) = 0;
  // Short French name, for captions ("PID", "boucle ouverte").
  virtual std::string Name() const = 0;

  // A law with its own terms (the industrial PID) puts them in place of the corrector's
  // PTerm, DTermRaw and ITerm before Order is asked, so that the record's series keep
  // their meaning: the proportional, derivative and integral parts of the order.
  virtual void OwnTerms(RegulationState&, long double /*setpoint*/) {}
  // The order once limited, as it goes to the card (anti-windup, bumpless transfer).
  virtual void OrderLimited(const RegulationState&) {}
  // A law that ends its run itself (the relay test once its oscillation is steady): the
  // loop then stops as "Fin" stops it.
  virtual bool RunComplete() const { return false; }
  // The caption's description of the law, empty for the corrector of the main window.
  virtual std::string Caption() const { return {}; }
};

// (PTerm + DTerm) + ITerm.
class PidLaw : public CorrectorLaw {
 public:
  long double Order(const RegulationState& s, long double setpoint) override;
  std::string Name() const override { return "PID"; }
};

// The setpoint itself, sent to the process without feedback.
class OpenLoopLaw : public CorrectorLaw {
 public:
  long double Order(const RegulationState& s, long double setpoint) override;
  std::string Name() const override { return "boucle ouverte"; }
};

// Whether the loop mode is the open loop (the password window's "Ouv").
bool OpenLoopMode(const RegulationState& s);
// The one choice of a run's law: the open loop when the loop mode is open (a law chosen
// for the closed loop waits, set aside, for the loop to be closed again); else the law the
// state names (RegulationState::Law); else the PID of the main window.
CorrectorLaw& LawOfRun(const RegulationState& s);
// The caption a run keeps of its law: the chosen law's own, empty for the main window's
// corrector and the open loop.
std::string RunLawCaption(const RegulationState& s);

}  // namespace vantor
