#include "TcpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "socket_resolve.h"

namespace velt {

namespace {

using Clock = std::chrono::steady_clock;

SocketError ErrorFromErrno(int code) {
    SocketError e;
    switch (code) {
    case ECONNREFUSED:
        e.kind = SocketFailure::Refused;
        break;
    case ETIMEDOUT:
        e.kind = SocketFailure::TimedOut;
        break;
    case ECONNRESET:
    case EPIPE:
    case ECONNABORTED:
    case ENETRESET:
        e.kind = SocketFailure::Reset;
        break;
    default:
        e.kind = SocketFailure::Other;
        break;
    }
    e.systemText = std::strerror(code);
    return e;
}

int Remaining(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

using socket_detail::Resolution;
using socket_detail::Resolve;

void Tune(int fd) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
}

// One non-blocking connect to one address; the socket, or -1 with error set.
int ConnectOne(const addrinfo* address, Clock::time_point end, SocketError& error) {
    const int fd = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
    if (fd < 0) {
        error = ErrorFromErrno(errno);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (connect(fd, address->ai_addr, address->ai_addrlen) != 0 && errno != EINPROGRESS) {
        error = ErrorFromErrno(errno);
        close(fd);
        return -1;
    }
    pollfd p{fd, POLLOUT, 0};
    const int ready = poll(&p, 1, Remaining(end));
    int code = 0;
    socklen_t length = sizeof code;
    if (ready == 0) {
        error = {SocketFailure::TimedOut, {}};
    } else if (ready < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &length) != 0) {
        error = ErrorFromErrno(errno);
    } else if (code != 0) {
        error = ErrorFromErrno(code);
    } else {
        Tune(fd);
        return fd;
    }
    close(fd);
    return -1;
}

} // namespace

TcpSocket::TcpSocket() = default;

TcpSocket::~TcpSocket() {
    Close();
}

bool TcpSocket::Connect(const std::string& host, uint16_t port, std::chrono::milliseconds timeout) {
    Close();
    lastError_ = {};
    const auto end = Clock::now() + timeout;
    const std::shared_ptr<Resolution> found = Resolve(host, port, end);
    if (!found) {
        lastError_ = {SocketFailure::TimedOut, {}};
        return false;
    }
    if (found->status != 0) {
        const bool unknown = found->status == EAI_NONAME || found->status == EAI_NODATA ||
                             found->status == EAI_FAIL || found->status == EAI_AGAIN;
        lastError_ = {unknown ? SocketFailure::HostNotFound : SocketFailure::Other,
                      gai_strerror(found->status)};
        return false;
    }
    SocketError error{SocketFailure::HostNotFound, {}};
    for (const addrinfo* a = found->list; a; a = a->ai_next) {
        const int fd = ConnectOne(a, end, error);
        if (fd >= 0) {
            handle_ = fd;
            return true;
        }
        if (error.kind == SocketFailure::TimedOut) break;
    }
    lastError_ = error;
    return false;
}

bool TcpSocket::Send(const uint8_t* bytes, size_t count) {
    if (!IsOpen()) {
        lastError_ = {SocketFailure::Closed, {}};
        return false;
    }
    const int fd = static_cast<int>(handle_);
    size_t sent = 0;
    while (sent < count) {
        const ssize_t n = send(fd, bytes + sent, count - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, -1) >= 0) continue;
        }
        lastError_ = ErrorFromErrno(errno);
        return false;
    }
    return true;
}

long TcpSocket::Receive(uint8_t* bytes, size_t count, std::chrono::milliseconds timeout) {
    if (!IsOpen()) {
        lastError_ = {SocketFailure::Closed, {}};
        return -1;
    }
    const int fd = static_cast<int>(handle_);
    const auto end = Clock::now() + timeout;
    for (;;) {
        const ssize_t n = recv(fd, bytes, count, 0);
        if (n > 0) return static_cast<long>(n);
        if (n == 0) {
            lastError_ = {SocketFailure::Closed, {}};
            return -1;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            lastError_ = ErrorFromErrno(errno);
            return -1;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, Remaining(end));
        if (ready == 0) return 0;
        if (ready < 0 && errno != EINTR) {
            lastError_ = ErrorFromErrno(errno);
            return -1;
        }
    }
}

long TcpSocket::Available() {
    int queued = 0;
    if (!IsOpen() || ioctl(static_cast<int>(handle_), FIONREAD, &queued) != 0) return 0;
    return queued;
}

void TcpSocket::Close() {
    if (!IsOpen()) return;
    close(static_cast<int>(handle_));
    handle_ = kInvalid;
}

} // namespace velt
