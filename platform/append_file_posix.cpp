// Files written piece by piece with write(2), fsync(2) and ftruncate(2).
#include "platform/AppendFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velt {

namespace {
void SetError(std::string* error, int err) {
    if (error != nullptr) *error = std::strerror(err);
}
} // namespace

AppendFile::~AppendFile() {
    Close();
}

bool AppendFile::Create(const std::filesystem::path& path, std::string* error) {
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetError(error, errno);
        return false;
    }
    handle_ = fd;
    size_ = 0;
    return true;
}

bool AppendFile::Write(std::string_view bytes, std::string* error) {
    if (!IsOpen()) {
        SetError(error, EBADF);
        return false;
    }
    const int fd = static_cast<int>(handle_);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            // Cut the piece that got in; the file then ends after a whole one.
            if (done > 0 && ::ftruncate(fd, static_cast<off_t>(size_)) == 0)
                (void)::lseek(fd, static_cast<off_t>(size_), SEEK_SET);
            SetError(error, err);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    size_ += done;
    return true;
}

bool AppendFile::Sync(std::string* error) {
    if (!IsOpen()) {
        SetError(error, EBADF);
        return false;
    }
    if (::fsync(static_cast<int>(handle_)) != 0) {
        SetError(error, errno);
        return false;
    }
    return true;
}

bool AppendFile::Close(std::string* error) {
    if (!IsOpen()) return true;
    const int fd = static_cast<int>(handle_);
    handle_ = kNoHandle;
    if (::close(fd) != 0 && errno != EINTR) {
        SetError(error, errno);
        return false;
    }
    return true;
}

} // namespace velt
