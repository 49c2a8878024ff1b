// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartFolder.h"

#include <cstdio>

#include "common/VantorError.h"
#include "common/WorkingFolder.h"
#include "widgets/ErrorReport.h"

namespace vantor {

bool AcceptCommandLine(int argc, const char* const* argv, const char* program,
                       const WorkstationCommandLine& line, int& status) {
  const std::string unknown = UnknownWorkstationArgument(argc, argv, line);
  if (!unknown.empty()) {
    std::fprintf(stderr, "%s : option inconnue « %s »\n%s", program, unknown.c_str(),
                 WorkstationUsage(program, line).c_str());
    status = 2;
    return false;
  }
  if (WantsUsage(argc, argv)) {
    std::fputs(WorkstationUsage(program, line).c_str(), stdout);
    status = 0;
    return false;
  }
  return true;
}

bool StartInWorkingFolder(int argc, const char* const* argv) {
  return Guarded(nullptr, [&] {
    try {
      EnterWorkingFolder(ResolveWorkingFolder(
          ProcessWorkingFolderRequest(FolderOption(argc, argv), VANTOR_SOURCE_DIR)));
    } catch (const VantorError& e) {
      // Also for whoever started the program from a terminal or a script.
      std::fprintf(stderr, "%s\n", ErrorBoxText(e.what()).c_str());
      throw;
    }
  });
}

}  // namespace vantor
