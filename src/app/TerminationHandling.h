// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a workstation ends on a termination signal (SIGTERM, SIGINT, SIGHUP, SIGQUIT):
// between two cycles, as "Fin" would, the run stops; the card's outputs go to rest
// (output 2 at 2048, output 1 at 0); a French line on standard error says so; and the
// program ends with 128 + the signal's number.
namespace vantor {

class TForm1;

// Installs the handling for the program named `program`. On the card's own ports the
// card's factory has armed the crash rest as well (a crash signal, or a second
// termination signal the program is too busy to serve, then puts the outputs at rest
// before the process ends). Call once the windows exist (the card is then initialised).
void EndAtRestOnSignals(TForm1& form1, const char* program);

}  // namespace vantor
