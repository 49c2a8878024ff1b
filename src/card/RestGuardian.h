// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What no signal handler can catch (SIGKILL, the out-of-memory killer) would leave the
// ISA card's outputs driven. The guardian is a small child process started with the
// card: it inherits the port access and the card's lock, waits on a pipe whose only
// writer is the program, and when the program is gone (the pipe reads end of file,
// however the program ended) writes the rest values and exits. Holding the lock until
// then, it keeps a new program off the card until the outputs are at rest.
namespace vantor {

// Forks the guardian; `rest` must be async-signal-safe (the child of a program with
// threads may call nothing else) and is called once when the caller's process ends.
// Returns the guardian's PID, or -1 when it could not be started (the program then
// runs with the signal handlers' rest alone).
int StartRestGuardian(void (*rest)());

}  // namespace vantor
