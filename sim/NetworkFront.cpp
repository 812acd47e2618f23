#include "NetworkFront.h"

#include "base/StoppableWorker.h"
#include "link/CModbusPort.h"
#include "platform/SerialDevice.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velt::sim {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kRtuRequestLength = 8;
constexpr size_t kMbapHeaderLength = 7;
constexpr uint8_t kGatewayNoAnswer = 11;
// How often the serving thread looks at its stop and drop flags.
constexpr int kPollMs = 20;

uint16_t Word(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

void AddCrc(Bytes& frame) {
    const uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

bool CrcGood(const Bytes& frame) {
    if (frame.size() < 4) return false;
    const size_t n = frame.size() - 2;
    return Crc16(frame.data(), n) == (frame[n] | frame[n + 1] << 8);
}

// Reads up to count more bytes onto reply; false when fewer came.
bool ReadMore(SerialDevice& pty, Bytes& reply, size_t count) {
    const size_t had = reply.size();
    reply.resize(had + count);
    const long got = pty.Read(reply.data() + had, count);
    reply.resize(had + (got > 0 ? static_cast<size_t>(got) : 0));
    return got == static_cast<long>(count);
}

// One RTU request on the serial side and the drive's reply (empty when none
// came whole): the reply's length follows from its third byte.
Bytes AskDrive(SerialDevice& pty, const Bytes& request) {
    pty.DiscardInput();
    if (pty.Write(request.data(), request.size()) != static_cast<long>(request.size())) return {};
    Bytes reply;
    if (!ReadMore(pty, reply, 3)) return {};
    const uint8_t function = reply[1];
    size_t rest = 2;
    if ((function & 0x80) == 0) rest = function <= 4 ? reply[2] + 2u : 5u;
    ReadMore(pty, reply, rest);
    return reply;
}

void SendAll(int fd, const Bytes& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

} // namespace

struct NetworkFront::Impl {
    FrontKind kind;
    std::string device;
    uint32_t baud;
    std::vector<uint8_t> ids; // the drives on the serial side
    int listenFd = -1;
    uint16_t port = 0;
    std::atomic<int> latencyMs{0};
    std::atomic<bool> drop{false};
    StoppableWorker worker;

    void Serve(const std::stop_token& stop);
    // Takes the whole requests off the front of input and answers them;
    // false when the client sent what no gateway can read (closed then).
    bool Answer(int client, Bytes& input, SerialDevice& pty);
    Bytes AnswerMbap(const uint8_t* frame, size_t length, SerialDevice& pty) const;
    void Reply(int client, const Bytes& bytes) const {
        if (bytes.empty()) return;
        if (const int ms = latencyMs.load(); ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        SendAll(client, bytes);
    }
};

NetworkFront::NetworkFront(FrontKind kind, std::string device, uint32_t baud, std::vector<uint8_t> ids)
    : impl_(std::make_unique<Impl>()) {
    impl_->kind = kind;
    impl_->device = std::move(device);
    impl_->baud = baud;
    impl_->ids = std::move(ids);
}

NetworkFront::~NetworkFront() {
    Stop();
}

bool NetworkFront::Start(uint16_t port, std::string* error) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (error)
            *error =
                std::string("cannot listen on port ") + std::to_string(port) + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    impl_->listenFd = fd;
    impl_->port = ntohs(address.sin_port);
    Impl* impl = impl_.get();
    return impl_->worker.Start([impl](std::stop_token stop) { impl->Serve(stop); });
}

void NetworkFront::Stop() {
    impl_->worker.StopAndWait();
    if (impl_->listenFd >= 0) ::close(impl_->listenFd);
    impl_->listenFd = -1;
}

uint16_t NetworkFront::Port() const {
    return impl_->port;
}

void NetworkFront::SetLatencyMs(int ms) {
    impl_->latencyMs.store(ms);
}

void NetworkFront::Drop() {
    impl_->drop.store(true);
}

bool NetworkFront::ApplyControlLine(const std::string& line) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "drop") {
        Drop();
        return true;
    }
    int ms = 0;
    if (command == "latency" && words >> ms && ms >= 0 && ms <= 60000) {
        SetLatencyMs(ms);
        return true;
    }
    return false;
}

const char* NetworkFront::Help() {
    return "  latency MS           network mode: wait MS milliseconds before each reply\n"
           "  drop                 network mode: close the master's connection\n";
}

void NetworkFront::Impl::Serve(const std::stop_token& stop) {
    SerialDevice pty;
    if (!pty.Open(device)) return;
    pty.Configure(baud);
    SerialTimeouts timeouts;
    timeouts.readInterval = std::chrono::milliseconds(100);
    timeouts.readTotalConstant = std::chrono::milliseconds(500);
    pty.SetTimeouts(timeouts);
    int client = -1;
    Bytes input;
    const auto closeClient = [&] {
        if (client >= 0) ::close(client);
        client = -1;
        input.clear();
    };
    while (!stop.stop_requested()) {
        if (drop.exchange(false)) closeClient();
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {client, POLLIN, 0}};
        if (::poll(fds, client >= 0 ? 2 : 1, kPollMs) <= 0) continue;
        if (fds[0].revents & POLLIN) {
            const int accepted = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (accepted >= 0) {
                closeClient();
                client = accepted;
                const int on = 1;
                ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            }
            continue;
        }
        if (client < 0 || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        uint8_t buffer[512];
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closeClient();
            continue;
        }
        input.insert(input.end(), buffer, buffer + n);
        if (!Answer(client, input, pty)) closeClient();
    }
    closeClient();
}

bool NetworkFront::Impl::Answer(int client, Bytes& input, SerialDevice& pty) {
    for (;;) {
        if (kind == FrontKind::RtuOverTcp) {
            if (input.size() < kRtuRequestLength) return true;
            const Bytes request(input.begin(), input.begin() + kRtuRequestLength);
            input.erase(input.begin(), input.begin() + kRtuRequestLength);
            Reply(client, AskDrive(pty, request));
            continue;
        }
        if (input.size() < kMbapHeaderLength) return true;
        const uint16_t length = Word(input.data() + 4);
        if (Word(input.data() + 2) != 0 || length < 2 || length > 254) return false;
        const size_t whole = 6u + length;
        if (input.size() < whole) return true;
        Reply(client, AnswerMbap(input.data(), whole, pty));
        input.erase(input.begin(), input.begin() + static_cast<long>(whole));
    }
}

Bytes NetworkFront::Impl::AnswerMbap(const uint8_t* frame, size_t length, SerialDevice& pty) const {
    const uint8_t unit = frame[6];
    Bytes rtu(frame + 6, frame + length);
    Bytes reply;
    if (std::find(ids.begin(), ids.end(), unit) != ids.end() && rtu.size() + 2 == kRtuRequestLength) {
        AddCrc(rtu);
        reply = AskDrive(pty, rtu);
    }
    // A gateway drops a damaged reply and answers as for none.
    if (!CrcGood(reply)) reply = {unit, static_cast<uint8_t>(frame[7] | 0x80), kGatewayNoAnswer, 0, 0};
    const uint16_t pdu = static_cast<uint16_t>(reply.size() - 2);
    Bytes out(frame, frame + 4);
    out.push_back(static_cast<uint8_t>(pdu >> 8));
    out.push_back(static_cast<uint8_t>(pdu & 0xFF));
    out.insert(out.end(), reply.begin(), reply.end() - 2);
    return out;
}

} // namespace velt::sim
