#pragma once
// Whole-file writes that never leave a half-written or emptied file behind,
// and bounded whole-file reads. CMake picks the backend: atomic_file_posix.cpp
// or atomic_file_win32.cpp.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace velt {

// Writes `bytes` to a temporary file in the target's folder, flushes it to
// disk and renames it over `target`. On any failure the temporary file is
// removed, whatever was at `target` is left as it was, and the reason is put
// in *error (when given). A new file gets the mode 0666 less the umask; an
// existing one keeps its mode, and one the caller may not write is refused.
// When `target` is a symbolic link, the file it points at is replaced and the
// link kept.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string* error = nullptr);

// Same, but never replaces an existing file: fails with *existed set to
// true when `target` is already there.
bool CreateFileAtomically(const std::filesystem::path& target, std::string_view bytes, bool* existed,
                          std::string* error = nullptr);

// Reads a whole regular file of at most `maxBytes` bytes. False (bytes
// untouched) when it cannot be opened or read, is not a regular file (a
// folder, a FIFO, a device such as /dev/zero) or is larger than the limit.
constexpr size_t kReadWholeFileLimit = size_t{16} << 20;
bool ReadWholeFile(const std::filesystem::path& path, std::string* bytes,
                   size_t maxBytes = kReadWholeFileLimit);

// Whether this user may create files in `folder` (false when it is missing).
bool FolderAcceptsNewFiles(const std::filesystem::path& folder);

} // namespace velt
