// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files the programs write for the user (run files, port logs), every write checked.
#include <cstdio>
#include <functional>
#include <string>

namespace vantor {

// Writes the file at `path` through `write`. A regular file, or a new one, is written
// under a temporary name beside it and renamed over it once complete, so a failure (a
// full disk) never leaves a partial file and the previous one stays as it was; anything
// else (a pipe, /dev/stdout, a device) is written in place and never removed. Throws
// VantorError "Impossible de créer le fichier %s" or "Erreur à l'écriture du fichier %s"
// followed by a line giving the cause.
void WriteOutputFile(const std::string& path, const std::function<void(std::FILE*)>& write);

// Flushes and closes `file`, written for `path`; `earlier` is the errno of a failure
// already seen while writing it (0 if none). Throws "Erreur à l'écriture du fichier %s"
// with the cause when anything failed.
void CloseOutputFile(std::FILE* file, const std::string& path, int earlier = 0);

}  // namespace vantor
