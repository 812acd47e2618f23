// Host-side cost of one Modbus RTU transaction (request written to reply
// decoded): the state-block read (function 4, 32 registers) against a slave
// on a pseudo-terminal that answers at once, through CModbusPort and through
// a libmodbus master against the same slave in the same run.
//
//   bench_modbus [TRANSACTIONS]   (default 3000 per round, 3 rounds each)
// prints "velt_us_per_txn=.. libmodbus_us_per_txn=.. ratio=.." (ours / theirs;
// the best round of each, so that a busy machine distorts both alike).
#include "libmodbus_master.h"
#include "link/CModbusPort.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace velt;

constexpr unsigned kBaud = 115200;
constexpr int kRounds = 3;
constexpr int kWarmUp = 200;
constexpr size_t kRequestLength = 8;

// The slave: reads 8-byte requests from the pty master and answers each one
// with the prepared 69-byte reply, on its own thread.
class InstantSlave {
public:
    InstantSlave() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0 || ::pipe2(wake_, O_CLOEXEC) != 0)
            return;
        path_ = name;
        keepOpen_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (keepOpen_ >= 0 && ::tcgetattr(keepOpen_, &tio) == 0) {
            cfmakeraw(&tio);
            ::tcsetattr(keepOpen_, TCSANOW, &tio);
        }
        reply_ = {0x01, 0x04, 64};
        for (int i = 0; i < 32; ++i)
            reply_.insert(reply_.end(), {0x03, static_cast<uint8_t>(i)});
        const uint16_t crc = Crc16(reply_.data(), reply_.size());
        reply_.insert(reply_.end(), {static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)});
        thread_ = std::thread([this] { Run(); });
    }
    ~InstantSlave() {
        if (thread_.joinable()) {
            const char stop = 'x';
            [[maybe_unused]] const ssize_t n = ::write(wake_[1], &stop, 1);
            thread_.join();
        }
        for (int fd : {master_, keepOpen_, wake_[0], wake_[1]})
            if (fd >= 0) ::close(fd);
    }
    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

private:
    void Run() {
        uint8_t buffer[256];
        size_t pending = 0;
        for (;;) {
            pollfd p[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(p, 2, -1) < 0 && errno != EINTR) return;
            if (p[1].revents != 0) return;
            if ((p[0].revents & POLLIN) == 0) continue;
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) continue;
            pending += static_cast<size_t>(n);
            for (; pending >= kRequestLength; pending -= kRequestLength)
                [[maybe_unused]] const ssize_t w = ::write(master_, reply_.data(), reply_.size());
        }
    }

    int master_ = -1;
    int keepOpen_ = -1;
    int wake_[2] = {-1, -1};
    std::string path_;
    std::vector<uint8_t> reply_;
    std::thread thread_;
};

double VeltMicrosPerTxn(const std::string& device, int count) {
    CModbusPort port;
    if (port.OpenDevice(device, kBaud) != 1) return -1;
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
    InstantSlave slave;
    if (!slave.Ok()) {
        std::fprintf(stderr, "bench_modbus: no pseudo-terminal\n");
        return 1;
    }
    VeltMicrosPerTxn(slave.Path(), kWarmUp);
    bench::LibmodbusMicrosPerTxn(slave.Path(), kBaud, kWarmUp);
    double velt = 1e300;
    double theirs = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const double v = VeltMicrosPerTxn(slave.Path(), count);
        const double l = bench::LibmodbusMicrosPerTxn(slave.Path(), kBaud, count);
        if (v < 0) {
            std::fprintf(stderr, "bench_modbus: a CModbusPort transaction failed\n");
            return 1;
        }
        velt = std::min(velt, v);
        theirs = l < 0 ? -1 : std::min(theirs, l);
    }
    if (theirs < 0) {
        std::printf("velt_us_per_txn=%.1f libmodbus_us_per_txn=n/a ratio=n/a\n", velt);
    } else {
        std::printf("velt_us_per_txn=%.1f libmodbus_us_per_txn=%.1f ratio=%.2f\n", velt, theirs,
                    velt / theirs);
    }
    return 0;
}
