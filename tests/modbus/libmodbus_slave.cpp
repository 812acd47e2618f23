// A Modbus RTU slave built on libmodbus, the third-party peer of the
// interoperability test. It makes two pseudo-terminals and relays bytes
// between their master sides like a null-modem cable: libmodbus serves slave 1
// on the first pty's device, and the second pty's device, printed on stdout,
// is the port for the master under test. With --tcp it is a Modbus TCP
// server on loopback instead and prints "tcp://127.0.0.1:PORT". Ends when its
// stdin closes.
//
// Register contents: coil i and discrete input i from the bit patterns below,
// holding register i = 3 * i (register 5 = -2), input register i = 1000 + i
// (register 31 = -32768).
#include <modbus.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kSlaveId = 1;
constexpr int kBits = 16;
constexpr int kHolding = 200;
constexpr int kInputRegs = 32;
constexpr unsigned kCoilPattern = 0x03A5;
constexpr unsigned kInputPattern = 0x8001;

struct Pty {
    int master = -1;
    int keepOpen = -1; // keeps the master from hanging up while no one uses the device
    std::string path;
};

bool OpenPty(Pty& pty) {
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0 || ::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0) return false;
    char name[128];
    if (::ptsname_r(pty.master, name, sizeof name) != 0) return false;
    pty.path = name;
    pty.keepOpen = ::open(name, O_RDWR | O_NOCTTY);
    termios tio{};
    if (pty.keepOpen < 0 || ::tcgetattr(pty.keepOpen, &tio) != 0) return false;
    cfmakeraw(&tio);
    return ::tcsetattr(pty.keepOpen, TCSANOW, &tio) == 0;
}

void WriteAll(int fd, const unsigned char* bytes, ssize_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, static_cast<size_t>(count));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes += n;
        count -= n;
    }
}

// Copies bytes both ways between the two master sides, for ever.
void Relay(int a, int b) {
    unsigned char buffer[512];
    for (;;) {
        pollfd p[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if ((p[i].revents & POLLIN) == 0) continue;
            const ssize_t n = ::read(p[i].fd, buffer, sizeof buffer);
            if (n > 0) WriteAll(p[1 - i].fd, buffer, n);
        }
    }
}

modbus_mapping_t* MakeMapping() {
    modbus_mapping_t* map = modbus_mapping_new(kBits, kBits, kHolding, kInputRegs);
    if (map == nullptr) return nullptr;
    for (int i = 0; i < kBits; ++i) {
        map->tab_bits[i] = (kCoilPattern >> i) & 1;
        map->tab_input_bits[i] = (kInputPattern >> i) & 1;
    }
    for (int i = 0; i < kHolding; ++i)
        map->tab_registers[i] = static_cast<uint16_t>(3 * i);
    map->tab_registers[5] = static_cast<uint16_t>(-2);
    for (int i = 0; i < kInputRegs; ++i)
        map->tab_input_registers[i] = static_cast<uint16_t>(1000 + i);
    map->tab_input_registers[31] = 0x8000;
    return map;
}

void Serve(modbus_t* ctx, modbus_mapping_t* map) {
    uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    for (;;) {
        const int rc = modbus_receive(ctx, query);
        if (rc > 0) modbus_reply(ctx, query, rc, map);
    }
}

// Serves one master after another on the listening socket.
void ServeTcp(modbus_t* ctx, modbus_mapping_t* map, int listening) {
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    for (;;) {
        int s = listening; // the listening socket stays open for the next master
        const int client = modbus_tcp_accept(ctx, &s);
        if (client < 0) continue;
        for (;;) {
            const int rc = modbus_receive(ctx, query);
            if (rc < 0) break;
            if (rc > 0) modbus_reply(ctx, query, rc, map);
        }
        ::close(client);
    }
}

int MainTcp() {
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", 0);
    modbus_mapping_t* map = MakeMapping();
    const int listening = ctx ? modbus_tcp_listen(ctx, 1) : -1;
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (map == nullptr || listening < 0 ||
        ::getsockname(listening, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::fprintf(stderr, "libmodbus_slave: %s\n", modbus_strerror(errno));
        return 1;
    }
    std::thread(ServeTcp, ctx, map, listening).detach();
    std::printf("tcp://127.0.0.1:%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    std::_Exit(0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--tcp") return MainTcp();
    Pty served;
    Pty offered;
    if (!OpenPty(served) || !OpenPty(offered)) {
        std::perror("libmodbus_slave: pty");
        return 1;
    }
    modbus_t* ctx = modbus_new_rtu(served.path.c_str(), 9600, 'N', 8, 1);
    modbus_mapping_t* map = MakeMapping();
    if (ctx == nullptr || map == nullptr || modbus_set_slave(ctx, kSlaveId) != 0 ||
        modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "libmodbus_slave: %s\n", modbus_strerror(errno));
        return 1;
    }
    std::thread(Relay, served.master, offered.master).detach();
    std::thread(Serve, ctx, map).detach();
    std::printf("%s\n", offered.path.c_str());
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    std::_Exit(0);
}
