// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The temporary files (and folders) that every replacement of a file goes through: the
// new content is written under a temporary name beside the target, then renamed over it.
// The name ".<target>.<host>-<pid>.<n>" says who writes it, so that the temporaries a
// killed program left can be told from those of a save still running, on this machine
// or, on a shared disk, on another one.
#include <string>
#include <string_view>

namespace vantor {

// "dir/name" -> "dir" ("." without a folder, "/" at the root) and "name".
std::string DirectoryOfPath(const std::string& path);
std::string FileNameOfPath(const std::string& path);

// This machine's name as it appears in temporary names: its first label, letters, digits
// and '-' only.
std::string HostLabel();

// The temporary name beside `target` for this process, with `counter` at the end.
std::string TemporaryNameBeside(const std::string& target, unsigned counter);

// How many bytes a temporary name adds to its target's name, at most.
std::size_t TemporaryNameExtraBytes();

// Creates a new file beside `target` under a fresh temporary name, exclusively (never
// through a link or over anything already there: another name is tried), with mode 0666
// less the umask. Returns the descriptor, or -1 with errno set; `name` is the file made.
int CreateTemporaryBeside(const std::string& target, std::string& name);

// Whether the entry `name` of a folder is a temporary that its writer abandoned for good:
// written on this machine by a process that is gone, or anywhere and untouched for an
// hour (no save takes that long). `targetAccepted` says whether the target it stands
// for is one this caller cleans (its file name). Names written before the host was
// part of them (".<target>.<pid>.<n>", and "<target>.ecriture-<pid>" for run files) are
// taken as this machine's.
bool IsAbandonedTemporary(const std::string& directory, std::string_view name,
                          bool (*targetAccepted)(std::string_view target, const void* context),
                          const void* context = nullptr);

// Removes from `directory` the abandoned temporaries whose target `targetAccepted`
// accepts (folders with their content). Returns how many were removed.
int RemoveAbandonedTemporaries(const std::string& directory,
                               bool (*targetAccepted)(std::string_view target, const void* context),
                               const void* context = nullptr);

}  // namespace vantor
