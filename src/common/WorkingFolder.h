// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The working folder: where the program finds sauvegarde/, aide/ and méthode/.
//
//   1. the folder named by --dossier, when given;
//   2. else the current folder, when it holds sauvegarde/ (a start from a working copy);
//   3. else the user's own folder, $XDG_DATA_HOME/regulateur-vantor (by default
//      ~/.local/share/regulateur-vantor), as a start from the desktop menu finds it.
//
// The user's own folder, and a named folder without sauvegarde/, are filled from the
// pristine copy installed with the program: every file they miss is copied in, a file
// already there is never replaced, so a teacher's settings stay. A folder created here
// appears complete or not at all (it is filled under a temporary name, then renamed);
// a file added to an existing folder appears complete or not at all.
#include <optional>
#include <string>
#include <vector>

namespace vantor {

enum class WorkingFolderOrigin { Named, Current, PerUser };

struct WorkingFolderRequest {
  std::optional<std::string> Named;  // --dossier, as typed
  std::string Current;               // the current folder
  std::string DataHome;              // $XDG_DATA_HOME (ignored unless absolute)
  std::string Home;                  // $HOME
  // Folders that may hold the pristine copy, in order of preference; the first one
  // holding sauvegarde/ is used.
  std::vector<std::string> Pristine;
};

struct WorkingFolder {
  std::string Path;  // absolute
  WorkingFolderOrigin Origin = WorkingFolderOrigin::Current;
};

// Resolves the working folder and fills it when needed. Throws VantorError with a
// French message naming the folder and the cause when it cannot be found, created or
// filled; nothing half-copied is left behind.
WorkingFolder ResolveWorkingFolder(const WorkingFolderRequest& request);

// The value of --dossier DIR or --dossier=DIR on a command line, if any (the windowed
// programs have no other option of their own). Throws VantorError when it has no value.
std::optional<std::string> FolderOption(int argc, const char* const* argv);

// The request of this process for `named`: the current folder, the environment, and
// the pristine copy installed next to the executable (../share/regulateur-vantor), or,
// when the program runs from its build tree, the one in `sourceFolder`.
WorkingFolderRequest ProcessWorkingFolderRequest(std::optional<std::string> named,
                                                 const std::string& sourceFolder);

// Makes the folder the current folder. Throws VantorError naming it and the cause.
void EnterWorkingFolder(const WorkingFolder& folder);

}  // namespace vantor
