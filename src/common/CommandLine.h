// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The workstations' command line: --dossier DOSSIER, and on the real card --carte CHOIX
// (both also as --option=valeur). Anything else is refused before a window opens: a
// mistyped option (--dosier) would otherwise start silently in another folder, with other
// settings.
#include <string>

namespace vantor {

struct WorkstationCommandLine {
  bool AcceptsCard = false;  // --carte: the workstation on the real card only
};

// The first argument the workstation does not know, or "" when all are known (a missing
// value is left to the option's own reader, which names it). "--aide" and "--help" are
// known: see WantsUsage.
std::string UnknownWorkstationArgument(int argc, const char* const* argv,
                                       const WorkstationCommandLine& line);

// Whether the command line asks for the usage text (--aide, --help, -h).
bool WantsUsage(int argc, const char* const* argv);

// "Usage : regulateur-vantor [--dossier DOSSIER] [--carte isa|usb:CHEMIN|usb:auto]".
std::string WorkstationUsage(const std::string& program, const WorkstationCommandLine& line);

}  // namespace vantor
