// Atomic file replacement on Windows: temporary file beside the target,
// FlushFileBuffers, then MoveFileExW (with MOVEFILE_REPLACE_EXISTING, or
// without it for the no-replace variant) written through to disk.
#include "platform/AtomicFile.h"
#include "win32_message.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

namespace velt {

namespace fs = std::filesystem;

namespace {

// Temporary names tried before giving up (another writer may hold one).
constexpr int kTemporaryTries = 100;

void SetError(std::string* error, const std::string& what, DWORD code) {
    if (error != nullptr) *error = what + ": " + Win32Message(code);
}

std::string Shown(const fs::path& path) {
    return path.empty() ? std::string(".") : path.string();
}

// A target that is a symbolic link names the file to replace: the link
// stays, as it would when writing through it. A dangling link is replaced.
fs::path FinalTarget(const fs::path& target) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(target, ec))) return target;
    fs::path real = fs::canonical(target, ec);
    return ec ? target : real;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// A name beside target that no file has: ".NAME.PID-N".
fs::path TemporaryName(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    // Shortened so that the dot and the suffix still fit a name of 255 characters.
    const std::wstring base = target.filename().wstring().substr(0, 200);
    const std::wstring suffix =
        L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.fetch_add(1));
    return target.parent_path() / (L"." + base + suffix);
}

// Writes bytes to a fresh temporary file beside target; its path in *temp.
bool WriteTemporary(const fs::path& target, std::string_view bytes, fs::path* temp, std::string* error) {
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int i = 0; i < kTemporaryTries && file == INVALID_HANDLE_VALUE; ++i) {
        *temp = TemporaryName(target);
        file =
            CreateFileW(temp->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        SetError(error, "cannot create a file in " + Shown(target.parent_path()), GetLastError());
        return false;
    }
    bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
    DWORD writeErr = GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        writeErr = GetLastError();
    }
    if (!ok) {
        SetError(error, "cannot write " + target.string(), writeErr);
        DeleteFileW(temp->c_str());
    }
    return ok;
}

} // namespace

bool WriteFileAtomically(const fs::path& requested, std::string_view bytes, std::string* error) {
    const fs::path target = FinalTarget(requested);
    // Replacing would succeed over a file the user made read-only; refuse as
    // opening it for writing would.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetError(error, "cannot write " + target.string(), ERROR_ACCESS_DENIED);
        return false;
    }
    fs::path temp;
    if (!WriteTemporary(target, bytes, &temp, error)) return false;
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        SetError(error, "cannot replace " + target.string(), GetLastError());
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool CreateFileAtomically(const fs::path& target, std::string_view bytes, bool* existed, std::string* error) {
    if (existed != nullptr) *existed = false;
    fs::path temp;
    if (!WriteTemporary(target, bytes, &temp, error)) return false;
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is
    // taken: two writers racing for one name cannot destroy each other's file.
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD err = GetLastError();
        DeleteFileW(temp.c_str());
        if (existed != nullptr) *existed = err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS;
        SetError(error, "cannot create " + target.string(), err);
        return false;
    }
    return true;
}

bool ReadWholeFile(const fs::path& path, std::string* bytes, size_t maxBytes) {
    // Other readers may share the file; a writer may not change it under us.
    // A folder cannot be opened this way; devices (COM1, NUL) and pipes are
    // refused below.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
              static_cast<unsigned long long>(size.QuadPart) <= maxBytes;
    std::string data;
    char buffer[65536];
    while (ok) {
        DWORD n = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &n, nullptr)) {
            ok = false;
            break;
        }
        if (n == 0) break;
        // The file can grow while we read.
        ok = data.size() + n <= maxBytes;
        if (ok) data.append(buffer, n);
    }
    CloseHandle(file);
    if (ok) *bytes = std::move(data);
    return ok;
}

bool FolderAcceptsNewFiles(const fs::path& folder) {
    // Access rights on Windows are lists, not mode bits: try it. The probe
    // file vanishes when its handle closes.
    const fs::path probe = TemporaryName(folder / "probe");
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

} // namespace velt
