// Atomic file replacement on Windows: temporary file beside the target,
// FlushFileBuffers, then MoveFileExW (with MOVEFILE_REPLACE_EXISTING, or
// without it for the no-replace variant) written through to disk.
#include "platform/AtomicFile.h"
#include "platform/FileChecks.h"
#include "platform/PlatformTexts.h"
#include "platform/atomic_file_seam.h"
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

// The reason for a Win32 error: ours where the code has a common meaning,
// else the system's text.
std::string Reason(DWORD code, bool korean) {
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ErrorReasonText(std::make_error_code(std::errc::no_space_on_device), korean);
    case ERROR_ACCESS_DENIED:
        return ErrorReasonText(std::make_error_code(std::errc::permission_denied), korean);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ErrorReasonText(std::make_error_code(std::errc::no_such_file_or_directory), korean);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return ErrorReasonText(std::make_error_code(std::errc::file_exists), korean);
    case ERROR_WRITE_PROTECT:
        return ErrorReasonText(std::make_error_code(std::errc::read_only_file_system), korean);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return ErrorReasonText(std::make_error_code(std::errc::device_or_resource_busy), korean);
    case ERROR_FILENAME_EXCED_RANGE:
        return ErrorReasonText(std::make_error_code(std::errc::filename_too_long), korean);
    default:
        break;
    }
    const std::error_condition condition =
        std::system_category().default_error_condition(static_cast<int>(code));
    if (condition.category() == std::generic_category())
        return ErrorReasonText(std::error_code(condition.value(), std::generic_category()), korean);
    return Win32Message(code);
}

void SetError(const ReasonOut& error, const LocalText& what, const fs::path& path, DWORD code) {
    if (!error.Wanted()) return;
    const std::string shown = path.empty() ? std::string(".") : PathText(path);
    error.Set(FillText(what.Pick(error.korean), {{"{path}", shown}}) + ": " + Reason(code, error.korean));
}

// Each step of AtomicFile.h's order goes through the step hook first; an
// injected error fails the step as the system would.
bool Injected(FileStep step, const fs::path& path) {
    const std::errc injected = RunFileStepHook(step, path);
    if (injected == std::errc{}) return false;
    DWORD code = ERROR_GEN_FAILURE;
    if (injected == std::errc::no_space_on_device) code = ERROR_DISK_FULL;
    if (injected == std::errc::file_exists) code = ERROR_FILE_EXISTS;
    if (injected == std::errc::permission_denied) code = ERROR_ACCESS_DENIED;
    SetLastError(code);
    return true;
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
bool WriteTemporary(const fs::path& target, std::string_view bytes, fs::path* temp, const ReasonOut& error) {
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int i = 0; i < kTemporaryTries && file == INVALID_HANDLE_VALUE; ++i) {
        *temp = TemporaryName(target);
        file =
            CreateFileW(temp->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        SetError(error, kCannotCreateIn, target.parent_path(), GetLastError());
        return false;
    }
    bool ok = !Injected(FileStep::Write, target) && WriteAll(file, bytes) &&
              !Injected(FileStep::SyncFile, target) && FlushFileBuffers(file);
    DWORD writeErr = GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        writeErr = GetLastError();
    }
    if (!ok) {
        SetError(error, kCannotWrite, target, writeErr);
        DeleteFileW(temp->c_str());
    }
    return ok;
}

} // namespace

bool WriteFileAtomically(const fs::path& requested, std::string_view bytes, ReasonOut error) {
    const fs::path target = FinalTarget(requested);
    // A device or a folder is never replaced by a file (nor opened).
    std::string notFile;
    if (!PathIsWritableFile(target, {&notFile, error.korean})) {
        error.Set(PathText(target) + ": " + notFile);
        return false;
    }
    // Replacing would succeed over a file the user made read-only; refuse as
    // opening it for writing would.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetError(error, kCannotWrite, target, ERROR_ACCESS_DENIED);
        return false;
    }
    fs::path temp;
    if (!WriteTemporary(target, bytes, &temp, error)) return false;
    if (Injected(FileStep::Rename, target) ||
        !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        SetError(error, kCannotReplace, target, GetLastError());
        DeleteFileW(temp.c_str());
        return false;
    }
    // MOVEFILE_WRITE_THROUGH returned only once the new name was on disk:
    // that is the folder's flush.
    (void)Injected(FileStep::SyncFolder, target.parent_path());
    return true;
}

bool CreateFileAtomically(const fs::path& target, std::string_view bytes, bool* existed, ReasonOut error) {
    if (existed != nullptr) *existed = false;
    fs::path temp;
    if (!WriteTemporary(target, bytes, &temp, error)) return false;
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is
    // taken: two writers racing for one name cannot destroy each other's file.
    if (Injected(FileStep::Rename, target) ||
        !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD err = GetLastError();
        DeleteFileW(temp.c_str());
        if (existed != nullptr) *existed = err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS;
        SetError(error, kCannotCreate, target, err);
        return false;
    }
    (void)Injected(FileStep::SyncFolder, target.parent_path()); // the write-through move, as above
    return true;
}

bool ReadWholeFile(const fs::path& path, std::string* bytes, size_t maxBytes) {
    if (KindOfPath(path) != PathKind::Regular) return false;
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
