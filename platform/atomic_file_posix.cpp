// Atomic file replacement: temporary file, fsync, rename (or link for the
// no-replace variant), then fsync of the folder so the new name is durable.
#include "platform/AtomicFile.h"

#include "platform/FileChecks.h"
#include "platform/PlatformTexts.h"
#include "platform/atomic_file_seam.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace velt {

namespace fs = std::filesystem;

namespace {

void SetError(const ReasonOut& error, const LocalText& what, const fs::path& path, int err) {
    if (!error.Wanted()) return;
    const std::string shown = path.empty() ? std::string(".") : PathText(path);
    error.Set(FillText(what.Pick(error.korean), {{"{path}", shown}}) + ": " +
              ErrnoReasonText(err, error.korean));
}

// Each step of AtomicFile.h's order goes through the step hook first; an
// injected error fails the step as the system would.
bool Injected(FileStep step, const fs::path& path) {
    const std::errc injected = RunFileStepHook(step, path);
    if (injected == std::errc{}) return false;
    errno = static_cast<int>(injected);
    return true;
}

// The process umask without changing it (umask(2) can only be read by
// setting it, which would race with other threads creating files).
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteStep(int fd, std::string_view bytes, const fs::path& target) {
    return !Injected(FileStep::Write, target) && WriteAll(fd, bytes);
}

bool SyncFileStep(int fd, const fs::path& target) {
    return !Injected(FileStep::SyncFile, target) && ::fsync(fd) == 0;
}

void SyncFolder(const fs::path& folder) {
    if (Injected(FileStep::SyncFolder, folder)) return; // best effort, as below
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd); // best effort: the data itself is already on disk
    ::close(fd);
}

// A target that is a symbolic link names the file to replace: the link
// stays, as it would when writing through it. A dangling link is replaced.
fs::path FinalTarget(const fs::path& target) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(target, ec))) return target;
    fs::path real = fs::canonical(target, ec);
    return ec ? target : real;
}

// Writes bytes to a fresh temporary file beside target; its path in *temp.
bool WriteTemporary(const fs::path& target, std::string_view bytes, fs::path* temp, const ReasonOut& error) {
    const fs::path folder = target.parent_path();
    // Shortened so that the dot and the suffix still fit a name of 255 bytes.
    const std::string base = target.filename().string().substr(0, 200);
    std::string pattern = (folder / ("." + base + ".XXXXXX")).string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        SetError(error, kCannotCreateIn, folder, errno);
        return false;
    }
    *temp = pattern;
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    (void)::fchmod(fd, mode); // a mode we cannot set is not worth losing the data for
    bool ok = WriteStep(fd, bytes, target) && SyncFileStep(fd, target);
    int writeErr = errno;
    if (::close(fd) != 0 && ok) { // some file systems report a failed write only here
        ok = false;
        writeErr = errno;
    }
    if (!ok) {
        SetError(error, kCannotWrite, target, writeErr);
        ::unlink(pattern.c_str());
    }
    return ok;
}

bool CreateExclusive(const fs::path& target, std::string_view bytes) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool ok = WriteStep(fd, bytes, target) && SyncFileStep(fd, target);
    const int err = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(target.c_str()); // ours, created above: never a file that was there before
        errno = err;
    }
    return ok;
}

} // namespace

bool WriteFileAtomically(const fs::path& requested, std::string_view bytes, ReasonOut error) {
    const fs::path target = FinalTarget(requested);
    // A FIFO, a device or a folder is never replaced by a file (nor opened:
    // that could wait for ever).
    std::string notFile;
    if (!PathIsWritableFile(target, {&notFile, error.korean})) {
        error.Set(PathText(target) + ": " + notFile);
        return false;
    }
    // Renaming would replace a file the user made read-only; refuse as
    // opening it for writing would.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        SetError(error, kCannotWrite, target, errno);
        return false;
    }
    fs::path temp;
    if (!WriteTemporary(target, bytes, &temp, error)) return false;
    if (Injected(FileStep::Rename, target) || ::rename(temp.c_str(), target.c_str()) != 0) {
        SetError(error, kCannotReplace, target, errno);
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolder(target.parent_path());
    return true;
}

bool CreateFileAtomically(const fs::path& target, std::string_view bytes, bool* existed, ReasonOut error) {
    if (existed != nullptr) *existed = false;
    fs::path temp;
    if (!WriteTemporary(target, bytes, &temp, error)) return false;
    // link(2) fails with EEXIST instead of replacing: two writers racing for
    // one name cannot destroy each other's file.
    int rc = Injected(FileStep::Rename, target) ? -1 : ::link(temp.c_str(), target.c_str());
    int err = errno;
    ::unlink(temp.c_str());
    if (rc != 0 && (err == EPERM || err == EOPNOTSUPP || err == ENOSYS)) {
        // File systems without hard links: exclusive create, then write.
        rc = CreateExclusive(target, bytes) ? 0 : -1;
        err = errno;
    }
    if (rc != 0) {
        if (existed != nullptr) *existed = err == EEXIST;
        SetError(error, kCannotCreate, target, err);
        return false;
    }
    SyncFolder(target.parent_path());
    return true;
}

bool ReadWholeFile(const fs::path& path, std::string* bytes, size_t maxBytes) {
    // Only a regular file is opened: opening a device can have effects (a
    // serial line's modem lines), a FIFO could wait for a writer.
    if (KindOfPath(path) != PathKind::Regular) return false;
    // O_NONBLOCK: should a FIFO take the file's place meanwhile, opening it
    // must not wait for a writer; it is refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uintmax_t>(st.st_size) <= maxBytes;
    std::string data;
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        // The size can grow while we read, or be unknown (/proc files).
        ok = data.size() + static_cast<size_t>(n) <= maxBytes;
        if (ok) data.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (ok) *bytes = std::move(data);
    return ok;
}

bool FolderAcceptsNewFiles(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace velt
