#include "PseudoTerminal.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace velt::sim {
namespace fs = std::filesystem;
namespace {

speed_t SpeedFor(uint32_t baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B9600;
    }
}

std::string Reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

PseudoTerminal::~PseudoTerminal() {
    Close();
}

bool PseudoTerminal::Open(uint32_t baud, std::string* error) {
    Close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[PATH_MAX] = {};
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        if (error) *error = Reason("pseudo-terminal");
        Close();
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) {
        if (error) *error = Reason(name);
        Close();
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetspeed(&tio, SpeedFor(baud));
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) {
        if (error) *error = Reason("raw mode");
        Close();
        return false;
    }
    const int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    // Our own slave descriptor was opened before the watch, so only master
    // programs count.
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && ::inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE) < 0) {
        ::close(watch_);
        watch_ = -1;
    }
    return true;
}

void PseudoTerminal::Close() {
    Unpublish();
    for (int* fd : {&watch_, &slave_, &master_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    clients_ = 0;
    slavePath_.clear();
}

void PseudoTerminal::OnOpenClose() {
    alignas(inotify_event) char buffer[4096];
    bool allClosed = false;
    for (;;) {
        const ssize_t n = ::read(watch_, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_OPEN) ++clients_;
            if ((event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) && --clients_ <= 0) {
                clients_ = 0;
                allClosed = true;
            }
            if (event->mask & IN_Q_OVERFLOW) allClosed = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (!allClosed) return;
    // Every master program let go of the port at some point (a new one may
    // have opened since: its open event comes before any request it sends,
    // and we handle events before requests, so nothing of its own is lost).
    // A terminal keeps the exclusive-use flag (TIOCEXCL) until the pair is
    // destroyed, which would lock every later unprivileged open out; a real
    // port forgets it on the last close, and so do we. Replies nobody read
    // are dropped, as on a line with nobody listening.
    ::ioctl(slave_, TIOCNXCL);
    ::tcflush(slave_, TCIFLUSH);
}

bool PseudoTerminal::Publish(const fs::path& folder, const std::string& name, std::string* error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    const fs::path entry = folder / name;
    const fs::path temp = folder / ("." + name + ".tmp" + std::to_string(::getpid()));
    fs::remove(temp, ec);
    fs::create_symlink(slavePath_, temp, ec);
    if (!ec) fs::rename(temp, entry, ec);
    if (ec) {
        fs::remove(temp, ec);
        if (error) *error = "cannot publish " + entry.string() + ": " + ec.message();
        return false;
    }
    published_ = entry;
    return true;
}

void PseudoTerminal::Unpublish() {
    if (published_.empty()) return;
    std::error_code ec;
    const fs::path target = fs::read_symlink(published_, ec);
    if (!ec && target == fs::path(slavePath_)) fs::remove(published_, ec);
    published_.clear();
}

size_t PseudoTerminal::Write(const uint8_t* data, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(master_, data + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        done += static_cast<size_t>(w);
    }
    return done;
}

} // namespace velt::sim
