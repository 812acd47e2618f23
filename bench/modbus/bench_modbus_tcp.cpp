// Host-side cost of one Modbus TCP transaction (request sent to reply
// decoded): the state-block read (function 4, 32 registers) against a server
// on loopback that answers at once, through CModbusPort on a tcp:// line and
// through a libmodbus TCP master against the same server in the same run.
//
//   bench_modbus_tcp [TRANSACTIONS]   (default 3000 per round, 3 rounds each)
// prints "velt_us_per_txn=.. libmodbus_us_per_txn=.. ratio=.." (ours / theirs,
// goal <= 1.0; the best round of each).
#include "libmodbus_master.h"
#include "link/CModbusPort.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace velt;

constexpr int kRounds = 3;
constexpr int kWarmUp = 200;
constexpr size_t kRequestLength = 12;

// The server: one connection after another; each 12-byte request is
// answered with the prepared reply under the request's transaction number.
class InstantServer {
public:
    InstantServer() {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listen_, 4) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &length) != 0)
            return;
        port_ = ntohs(a.sin_port);
        reply_ = {0, 0, 0, 0, 0, 67, 1, 0x04, 64};
        for (int i = 0; i < 32; ++i)
            reply_.insert(reply_.end(), {0x03, static_cast<uint8_t>(i)});
        thread_ = std::thread([this] { Run(); });
    }
    ~InstantServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listen_ >= 0) ::close(listen_);
    }
    bool Ok() const { return port_ != 0; }
    int Port() const { return port_; }

private:
    void Run() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0) continue;
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            Serve(fd);
            ::close(fd);
        }
    }
    void Serve(int fd) {
        uint8_t buffer[512];
        size_t pending = 0;
        for (;;) {
            const ssize_t n = ::recv(fd, buffer + pending, sizeof buffer - pending, 0);
            if (n <= 0) return;
            pending += static_cast<size_t>(n);
            size_t at = 0;
            for (; pending - at >= kRequestLength; at += kRequestLength) {
                reply_[0] = buffer[at];
                reply_[1] = buffer[at + 1];
                [[maybe_unused]] const ssize_t w = ::send(fd, reply_.data(), reply_.size(), MSG_NOSIGNAL);
            }
            std::copy(buffer + at, buffer + pending, buffer);
            pending -= at;
        }
    }

    int listen_ = -1;
    int port_ = 0;
    bool stop_ = false;
    std::vector<uint8_t> reply_;
    std::thread thread_;
};

double VeltMicrosPerTxn(int serverPort, int count) {
    CModbusPort port;
    if (!port.OpenDevice("tcp://127.0.0.1:" + std::to_string(serverPort), 0)) return -1;
    uint16_t regs[drive::StateCount];
    bool ok = true;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count && ok; ++i)
        ok = port.ReadInputRegisters(1, regs) == RTU_OK;
    const auto took = std::chrono::steady_clock::now() - start;
    port.ClosePort();
    return ok ? std::chrono::duration<double, std::micro>(took).count() / count : -1;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3000;
    InstantServer server;
    if (!server.Ok()) {
        std::fprintf(stderr, "bench_modbus_tcp: cannot listen on loopback\n");
        return 1;
    }
    VeltMicrosPerTxn(server.Port(), kWarmUp);
    bench::LibmodbusTcpMicrosPerTxn(server.Port(), kWarmUp);
    double velt = 1e300;
    double theirs = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const double v = VeltMicrosPerTxn(server.Port(), count);
        const double l = bench::LibmodbusTcpMicrosPerTxn(server.Port(), count);
        if (v < 0) {
            std::fprintf(stderr, "bench_modbus_tcp: a CModbusPort transaction failed\n");
            return 1;
        }
        velt = std::min(velt, v);
        theirs = l < 0 ? -1 : std::min(theirs, l);
    }
    if (theirs < 0)
        std::printf("velt_us_per_txn=%.1f libmodbus_us_per_txn=n/a ratio=n/a\n", velt);
    else
        std::printf("velt_us_per_txn=%.1f libmodbus_us_per_txn=%.1f ratio=%.2f (goal <= 1.0)\n", velt, theirs,
                    velt / theirs);
    return 0;
}
