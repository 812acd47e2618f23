#pragma once
// Whole-file writes that never leave a half-written or emptied file behind,
// and bounded whole-file reads. CMake picks the backend: atomic_file_posix.cpp
// or atomic_file_win32.cpp.
#include "platform/FileChecks.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace velt {

// Writes `bytes` to a temporary file in the target's folder, flushes it to
// disk and renames it over `target`. On any failure the temporary file is
// removed, whatever was at `target` is left as it was, and the reason is put
// in `error`. A new file gets the mode 0666 less the umask; an
// existing one keeps its mode, and one the caller may not write is refused.
// When `target` is a symbolic link, the file it points at is replaced and the
// link kept.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, ReasonOut error = {});

// Same, but never replaces an existing file: fails with *existed set to
// true when `target` is already there.
bool CreateFileAtomically(const std::filesystem::path& target, std::string_view bytes, bool* existed,
                          ReasonOut error = {});

// Reads a whole regular file of at most `maxBytes` bytes. False (bytes
// untouched) when it cannot be opened or read, is not a regular file (a
// folder, a FIFO, a device such as /dev/zero) or is larger than the limit.
constexpr size_t kReadWholeFileLimit = size_t{16} << 20;
bool ReadWholeFile(const std::filesystem::path& path, std::string* bytes,
                   size_t maxBytes = kReadWholeFileLimit);

// The steps by which the writers above put a file on disk, in their order:
// the bytes go into the temporary file, the temporary file is flushed to
// disk, it takes the target's name (rename, or link for CreateFileAtomically),
// and the folder holding the name is flushed. A power loss at any moment
// then leaves the old file or the new one, never an empty one.
enum class FileStep { Write, SyncFile, Rename, SyncFolder };

// Seam for tests at the boundary to the operating system: the hook sees
// every step just before the system call that does it, with the path it
// concerns (the target, or its folder for SyncFolder). An error code other
// than std::errc{} makes that step fail with that error instead of calling
// the system. Returns the previous hook; an empty hook removes it. Not to
// be changed while a writer runs.
using FileStepHook = std::function<std::errc(FileStep, const std::filesystem::path&)>;
FileStepHook SetFileStepHook(FileStepHook hook);

// Whether this user may create files in `folder` (false when it is missing).
bool FolderAcceptsNewFiles(const std::filesystem::path& folder);

} // namespace velt
