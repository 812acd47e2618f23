// winsock2.h must come before windows.h (win32_message.h).
#include <winsock2.h>
#include <ws2tcpip.h>

#include "TcpSocket.h"
#include "socket_resolve.h"
#include "win32_message.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace velt {

namespace {

using Clock = std::chrono::steady_clock;

// Winsock is started once per process and left running until it ends.
void StartWinsock() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

SocketError ErrorFromCode(int code) {
    SocketError e;
    switch (code) {
    case WSAECONNREFUSED:
        e.kind = SocketFailure::Refused;
        break;
    case WSAETIMEDOUT:
        e.kind = SocketFailure::TimedOut;
        break;
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENETRESET:
        e.kind = SocketFailure::Reset;
        break;
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA:
    case WSATRY_AGAIN:
        e.kind = SocketFailure::HostNotFound;
        break;
    default:
        e.kind = SocketFailure::Other;
        break;
    }
    e.systemText = Win32Message(static_cast<DWORD>(code));
    return e;
}

timeval Remaining(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(end - Clock::now()).count();
    if (left < 0) left = 0;
    timeval tv;
    tv.tv_sec = static_cast<long>(left / 1000000);
    tv.tv_usec = static_cast<long>(left % 1000000);
    return tv;
}

using socket_detail::Resolution;
using socket_detail::Resolve;

void Tune(SOCKET s) {
    const BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
}

// One non-blocking connect to one address; the socket, or INVALID_SOCKET
// with error set.
SOCKET ConnectOne(const addrinfo* address, Clock::time_point end, SocketError& error) {
    const SOCKET s = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    if (s == INVALID_SOCKET) {
        error = ErrorFromCode(WSAGetLastError());
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, address->ai_addr, static_cast<int>(address->ai_addrlen)) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        error = ErrorFromCode(WSAGetLastError());
        closesocket(s);
        return INVALID_SOCKET;
    }
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval tv = Remaining(end);
    const int ready = select(0, nullptr, &writable, &failed, &tv);
    int code = 0;
    int length = sizeof code;
    if (ready == 0) {
        error = {SocketFailure::TimedOut, {}};
    } else if (ready < 0 ||
               getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &length) != 0) {
        error = ErrorFromCode(WSAGetLastError());
    } else if (code != 0) {
        error = ErrorFromCode(code);
    } else {
        Tune(s);
        return s;
    }
    closesocket(s);
    return INVALID_SOCKET;
}

} // namespace

TcpSocket::TcpSocket() {
    StartWinsock();
}

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
        lastError_ = ErrorFromCode(found->status);
        return false;
    }
    SocketError error{SocketFailure::HostNotFound, {}};
    for (const addrinfo* a = found->list; a; a = a->ai_next) {
        const SOCKET s = ConnectOne(a, end, error);
        if (s != INVALID_SOCKET) {
            handle_ = static_cast<intptr_t>(s);
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
    const SOCKET s = static_cast<SOCKET>(handle_);
    size_t sent = 0;
    while (sent < count) {
        const int n = send(s, reinterpret_cast<const char*>(bytes + sent), static_cast<int>(count - sent), 0);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        const int code = WSAGetLastError();
        if (n < 0 && code == WSAEWOULDBLOCK) {
            fd_set writable;
            FD_ZERO(&writable);
            FD_SET(s, &writable);
            if (select(0, nullptr, &writable, nullptr, nullptr) >= 0) continue;
        }
        lastError_ = ErrorFromCode(code);
        return false;
    }
    return true;
}

long TcpSocket::Receive(uint8_t* bytes, size_t count, std::chrono::milliseconds timeout) {
    if (!IsOpen()) {
        lastError_ = {SocketFailure::Closed, {}};
        return -1;
    }
    const SOCKET s = static_cast<SOCKET>(handle_);
    const auto end = Clock::now() + timeout;
    for (;;) {
        const int n = recv(s, reinterpret_cast<char*>(bytes), static_cast<int>(count), 0);
        if (n > 0) return n;
        if (n == 0) {
            lastError_ = {SocketFailure::Closed, {}};
            return -1;
        }
        const int code = WSAGetLastError();
        if (code != WSAEWOULDBLOCK) {
            lastError_ = ErrorFromCode(code);
            return -1;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval tv = Remaining(end);
        const int ready = select(0, &readable, nullptr, nullptr, &tv);
        if (ready == 0) return 0;
        if (ready < 0) {
            lastError_ = ErrorFromCode(WSAGetLastError());
            return -1;
        }
    }
}

long TcpSocket::Available() {
    u_long queued = 0;
    if (!IsOpen() || ioctlsocket(static_cast<SOCKET>(handle_), FIONREAD, &queued) != 0) return 0;
    return static_cast<long>(queued);
}

void TcpSocket::Close() {
    if (!IsOpen()) return;
    closesocket(static_cast<SOCKET>(handle_));
    handle_ = kInvalid;
}

} // namespace velt
