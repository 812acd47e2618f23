#pragma once
// What a path names, found from its metadata alone, and the reasons file
// work fails, in the caller's language. A path is never opened to
// learn its kind: a FIFO without a writer, a terminal or a /proc file that
// never ends cannot block the caller.
#include "base/PathText.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace velt {

// Where a file operation that fails puts its reason, and the language it is
// told in. Empty (no text) when the caller does not want the reason.
struct ReasonOut {
    std::string* text = nullptr;
    bool korean = false;
    void Set(std::string reason) const {
        if (text != nullptr) *text = std::move(reason);
    }
    bool Wanted() const { return text != nullptr; }
};

enum class PathKind {
    Missing, // nothing of that name (or a folder on the way is missing)
    Regular, // a regular file, or a link to one
    Folder,
    Other,   // a FIFO, a device, a socket
    Unknown, // its metadata cannot be read (no right to the folder, ...)
};

// Follows symbolic links.
PathKind KindOfPath(const std::filesystem::path& path);

// Whether `path` may be read as a file (it must be a regular file) or
// written as one (a regular file or nothing yet). False with the reason put
// in `reason` otherwise.
bool PathIsReadableFile(const std::filesystem::path& path, ReasonOut reason = {});
bool PathIsWritableFile(const std::filesystem::path& path, ReasonOut reason = {});

// Why an operation failed, from the system's error: "No space left on
// device" / "디스크 공간이 부족합니다". Codes without a text of ours give
// the system's own.
std::string ErrorReasonText(const std::error_code& code, bool korean);
std::string ErrnoReasonText(int err, bool korean);

} // namespace velt
