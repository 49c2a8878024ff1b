// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CommandLine.h"

#include <string_view>

namespace vantor {

namespace {

bool IsUsageWord(std::string_view arg) {
  return arg == "--aide" || arg == "--help" || arg == "-h";
}

}  // namespace

std::string UnknownWorkstationArgument(int argc, const char* const* argv,
                                       const WorkstationCommandLine& line) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto takes = [&](std::string_view option) {
      if (arg == option) {
        ++i;  // the value, whatever it is
        return true;
      }
      return arg.size() > option.size() && arg.starts_with(option) && arg[option.size()] == '=';
    };
    if (takes("--dossier") || (line.AcceptsCard && takes("--carte")) || IsUsageWord(arg)) continue;
    return std::string(arg);
  }
  return {};
}

bool WantsUsage(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i)
    if (IsUsageWord(argv[i])) return true;
  return false;
}

std::string WorkstationUsage(const std::string& program, const WorkstationCommandLine& line) {
  std::string usage = "Usage : " + program + " [--dossier DOSSIER]";
  if (line.AcceptsCard) usage += " [--carte isa|usb:CHEMIN|usb:auto]";
  usage += "\n  --dossier DOSSIER  dossier de travail (réglages sauvegarde/, aide/, méthode/)";
  if (line.AcceptsCard)
    usage += "\n  --carte CHOIX      carte ISA, ou interface USB sur le port CHEMIN (auto : la "
             "première trouvée)";
  return usage + "\n";
}

}  // namespace vantor
