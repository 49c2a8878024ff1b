// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings store: every setting lives in a one-value rich-text file of the folder
// "sauvegarde" (such as "sauvegarde/kpmax.rtf"), read and written only through these
// two operations. Paths are relative to the current directory and are quoted in error
// messages exactly as passed. The store keeps no state between calls.
#include <cstddef>
#include <string>

#include "common/Rtf.h"

namespace vantor {

// The first `width` characters (not bytes) of the file's plain text, loaded as RTF or
// else as plain text. No trimming is done, with one exception: the paragraph end that
// closes the value's paragraph is not part of the value. So a file holding "$33"
// yields "$33" (which converts), "$0340" yields "$034", and "16.00" yields "16.0".
// Throws VantorError:
//   "Impossible d'ouvrir le fichier %s" when the file is missing or not a readable file;
//   "Erreur au chargement du flux" when its content is neither RTF nor text (or larger
//   than the reader accepts) or cannot be read, with a second line naming the file.
std::string LoadSetting(const std::string& path, int width);

// The bytes of the regular file at `path` (relative paths against the working
// directory), as the settings store and the help viewer read their documents. A named
// pipe or a folder in its place never blocks. Throws VantorError
// "Impossible d'ouvrir le fichier %s" (the path as given) when it cannot be opened or
// read, and "Erreur au chargement du flux" with a line naming the file when it is larger
// than `limit` bytes.
std::string ReadDocumentBytes(const std::string& path, std::size_t limit = kRtfMaxInputBytes);

// Replaces the file with a rich-text document whose only paragraph is `text`. The
// document is written to a temporary file of the same folder (".<name>.<host>-<pid>.<n>"),
// flushed to disk and renamed over the old file, so a failure never leaves a
// half-written or emptied setting: the previous file stays as it was. Throws VantorError:
//   "Impossible de créer le fichier %s" when the file cannot be created (missing or
//   read-only folder, or the path names a folder); also, with a line giving the cause,
//   when the file is a symbolic link (nothing is written through a link) or read-only;
//   "Erreur à l'enregistrement du flux" when writing the content fails, with a line
//   naming the file and the system's cause (such as a full disk).
void SaveSetting(const std::string& path, const std::string& text);

// Removes the temporary files that saves interrupted for good (a killed program, a
// power cut) left in `directory`: those written on this machine by a process that is no
// longer a running process of this program, and those of any machine untouched for an
// hour. A temporary file of a live writer is never touched, nor one that another
// machine sharing the folder may still be writing. Returns how many
// were removed; a folder that cannot be read removes nothing.
int RemoveStaleTemporaries(const std::string& directory);

}  // namespace vantor
