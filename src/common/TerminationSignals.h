// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The termination signals (SIGTERM, SIGINT, SIGHUP, SIGQUIT) as the programs see them:
// the handler only notes the signal and wakes the program, which then puts the card's
// outputs at rest itself, says so on standard error and exits with 128 + the signal's
// number. A second termination signal before the program has reacted (a program stuck
// in a handler) ends the process from the handler, after the emergency rest writes when
// some are armed.
#include <string>

namespace vantor {

class TerminationSignals {
 public:
  // Installs the four handlers (idempotent). `program` names the program in the line
  // written by the handler itself on a second signal.
  static void Install(const char* program);
  // The first termination signal received, or 0.
  static int Pending();
  // Readable once a termination signal has arrived (one byte per signal): for an event
  // loop to watch. -1 before Install.
  static int NotifyDescriptor();
  // Async-signal-safe writes that put the outputs at rest, for a handler to call when
  // the program cannot (null: none).
  static void SetEmergencyRest(void (*rest)());

  // The line for standard error once the outputs are at rest, such as
  // "regulateur-vantor-lot : demande d'arrêt (SIGTERM) : ...".
  static std::string RestLine(const std::string& program, int signal);
  static int ExitStatus(int signal) { return 128 + signal; }
};

}  // namespace vantor
