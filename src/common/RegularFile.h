// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a document (settings file, help text, picture) without ever blocking: a named
// pipe, a device or a folder put in place of a document is refused at once, with a
// message that names it.
#include <cstddef>
#include <string>

namespace vantor {

// Reads the whole regular file at `path` (used as given, relative paths against the
// working directory) into `out`. Returns false, with `out` unspecified, when the file is
// larger than `limit` bytes. Throws VantorError "Impossible d'ouvrir le fichier %s" (%s =
// `path`) when it cannot be opened or read; when it is not a regular file the message has
// a second line saying what it is.
bool ReadRegularFile(const std::string& path, std::size_t limit, std::string& out);

// Reads at most the first `bytes` bytes of the regular file at `path` into `out`; throws
// as ReadRegularFile does.
void ReadRegularFilePrefix(const std::string& path, std::size_t bytes, std::string& out);

// What a file of this mode (st_mode) is when it is not a regular file, as the second
// line of a message: "c'est un tube nommé, pas un fichier ordinaire".
std::string NotRegularFileCause(unsigned mode);

}  // namespace vantor
