// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files the programs write for the user (run files, port logs, reports, pictures), every
// write checked.
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace vantor {

// A file written for the user. Only a regular file, or a new one, is ever written: the
// content goes to a temporary file beside it, created exclusively (never through a
// symbolic link, never over anything already there), and takes the file's name at
// Commit, so a failure (a full disk) never leaves a partial file and the previous one
// stays as it was. A symbolic link at the file's name is replaced, not written through;
// a named pipe, a device or a folder is refused at once, neither opened nor replaced.
// Destroyed before Commit, it leaves nothing behind.
class OutputFile {
 public:
  // Throws VantorError "Impossible de créer le fichier %s" (%s = `path`) followed by a
  // line giving the cause.
  explicit OutputFile(std::string path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::string& Path() const { return path_; }
  // Where the content is written; failures are seen by Commit.
  std::FILE* Stream() { return out_; }
  // Appends `bytes`.
  void Write(std::string_view bytes);
  // Completes the file and gives it its name. Throws VantorError "Erreur à l'écriture du
  // fichier %s" followed by a line giving the cause when any write failed.
  void Commit();

 private:
  std::string path_;
  std::string temporary_;
  std::FILE* out_ = nullptr;
  int error_ = 0;  // errno of the first failed write
};

// Writes the file at `path` through `write`, as OutputFile does.
void WriteOutputFile(const std::string& path, const std::function<void(std::FILE*)>& write);

// Flushes and closes `file`, written for `path`; `earlier` is the errno of a failure
// already seen while writing it (0 if none). Throws "Erreur à l'écriture du fichier %s"
// with the cause when anything failed.
void CloseOutputFile(std::FILE* file, const std::string& path, int earlier = 0);

// `name` made into a file name that the file systems accept and that the writers above
// can write: '/', control characters and invalid UTF-8 replaced by '_', and no longer than
// a folder entry allows once the temporary name's additions are counted (255 bytes in
// all). A longer name is cut on a character boundary before its extension, which it
// keeps: "rapport-…-martin.pdf".
std::string AcceptableFileName(std::string_view name);

}  // namespace vantor
