#pragma once
// One outgoing TCP connection, driven synchronously by one thread at a time.
// CMake picks the backend: socket_posix.cpp (BSD sockets) or
// socket_win32.cpp (Winsock). Nothing here listens.
//
// Not thread-safe: the owner (a network line under CModbusPort's Lock)
// serialises every call.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velt {

// Why a connect, send or receive failed.
enum class SocketFailure {
    None,
    HostNotFound, // the resolver knows no such host
    Refused,      // nobody listens on that port (or a firewall said no)
    TimedOut,     // no answer (resolution or connect) within the time-out
    Closed,       // the peer closed the connection
    Reset,        // the connection was reset or broke
    Other,        // anything else; systemText tells
};

struct SocketError {
    SocketFailure kind = SocketFailure::None;
    std::string systemText; // the system's own words; may be empty
};

class TcpSocket {
public:
    TcpSocket();
    ~TcpSocket(); // closes
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resolves host with the system resolver and connects to the first
    // address that accepts, all within timeout: resolution runs on a helper
    // thread that is abandoned (and finishes on its own) when the time is up,
    // and each connect is non-blocking with the time that is left. The
    // connection gets TCP_NODELAY and SO_KEEPALIVE. False with LastError set;
    // nothing is left open then.
    bool Connect(const std::string& host, uint16_t port, std::chrono::milliseconds timeout);
    // Sends all count bytes. False when the connection failed (LastError).
    bool Send(const uint8_t* bytes, size_t count);
    // Waits up to timeout for bytes and reads what has arrived, at most
    // count. Returns the number read, 0 when nothing arrived in time, or -1
    // when the connection is closed or broken (LastError; the socket stays
    // allocated until Close).
    long Receive(uint8_t* bytes, size_t count, std::chrono::milliseconds timeout);
    // Bytes received and not yet read; 0 where unknown.
    long Available();
    void Close(); // harmless when closed
    bool IsOpen() const { return handle_ != kInvalid; }
    SocketError LastError() const { return lastError_; }

private:
    static constexpr intptr_t kInvalid = -1;
    intptr_t handle_ = kInvalid; // file descriptor or SOCKET
    SocketError lastError_;
};

} // namespace velt
