// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Before the windows are created: the program moves into its working folder (the one
// named by --dossier, the current one when it holds sauvegarde/, else the user's own
// folder, filled from the installed copy on first start), since every window reads
// sauvegarde/, aide/ and méthode/ relative to it.

#include "common/CommandLine.h"

namespace vantor {

// False when the program must end before any window, with `status` its exit code: 0
// after the usage asked for (--aide), 2 after an unknown option (named on the error
// output, with the usage).
bool AcceptCommandLine(int argc, const char* const* argv, const char* program,
                       const WorkstationCommandLine& line, int& status);

// False when no usable working folder could be had: the reason was shown in the error
// box and written on the error output, and the program must end.
bool StartInWorkingFolder(int argc, const char* const* argv);

}  // namespace vantor
