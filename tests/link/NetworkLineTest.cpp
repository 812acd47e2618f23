// Network lines (Modbus TCP, RTU over TCP) end to end: the link, the
// supervisor and the port against the simulated drive behind its loopback
// gateway, and the port against a scripted peer for the faults no drive
// makes.
#include "link/CModbusPort.h"
#include "link/ConnectionSupervisor.h"
#include "link/DriveMap.h"
#include "link/LineName.h"
#include "link/PortOpenText.h"
#include "sim/NetworkFront.h"
#include "sim/SimDrive.h"
#include "tests/support/LinkTestSupport.h"

#include <arpa/inet.h>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace velt::test {
namespace {

TEST(LineName, ReadsBothKindsAndRefusesMalformedNames) {
    const LineName tcp = ParseLineName("tcp://gw.local:1502");
    EXPECT_EQ(LineKind::ModbusTcp, tcp.Kind);
    EXPECT_EQ("gw.local", tcp.Host);
    EXPECT_EQ(1502, tcp.Port);
    const LineName rtu = ParseLineName("rtu-tcp://[::1]");
    EXPECT_EQ(LineKind::RtuOverTcp, rtu.Kind);
    EXPECT_EQ("::1", rtu.Host);
    EXPECT_EQ(502, rtu.Port);
    EXPECT_EQ(LineKind::Serial, ParseLineName("/dev/ttyUSB0").Kind);
    EXPECT_EQ(LineNameFault::MissingHost, ParseLineName("tcp://:502").Fault);
    EXPECT_EQ(LineNameFault::BadPort, ParseLineName("tcp://gw:50x").Fault);
    EXPECT_EQ(LineNameFault::PortRange, ParseLineName("tcp://gw:0").Fault);
    EXPECT_EQ(LineNameFault::PortRange, ParseLineName("tcp://gw:65536").Fault);
}

class NetworkOnSim : public ::testing::TestWithParam<sim::FrontKind> {
protected:
    void SetUp() override {
        sim::SimOptions options;
        options.publish = false;
        drive = std::make_unique<sim::SimDrive>(options);
        std::string error;
        ASSERT_TRUE(drive->Start(&error)) << error;
        front = std::make_unique<sim::NetworkFront>(GetParam(), drive->DevicePath(), 9600, drive->Ids());
        ASSERT_TRUE(front->Start(0, &error)) << error;
        const bool mbap = GetParam() == sim::FrontKind::ModbusTcp;
        name = std::string(mbap ? "tcp" : "rtu-tcp") + "://127.0.0.1:" + std::to_string(front->Port());
    }
    void TearDown() override {
        link.StopThread();
        front.reset();
        drive.reset();
    }
    std::unique_ptr<sim::SimDrive> drive;
    std::unique_ptr<sim::NetworkFront> front;
    std::string name;
    CapturedMessages messages;
    CountingSink sink;
    CDriveLink link;
};

TEST_P(NetworkOnSim, CarriesReadStoreAndPollsAndComesBackAfterTheConnectionDrops) {
    link.SetParamsReadSink(&sink);
    link.StartThread();
    ConnectionSupervisor supervisor(link, [] { return true; });
    ASSERT_TRUE(supervisor.Connect({name, 9600}, 1).Ok());
    EXPECT_EQ(12001, link.ParamRegs()[drive::HardwareVersionRegister]);
    EXPECT_EQ(1, sink.posts.load());
    EXPECT_EQ(RTU_OK, link.WriteParam(drive::SpeedRegister, 321));
    EXPECT_EQ(321, drive->Holding(drive::SpeedRegister));
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateOk > 10; }, 5s));

    front->Drop();
    ASSERT_TRUE(WaitUntil([&] { return supervisor.Status().Returns == 1; }, 20s));
    EXPECT_EQ(ConnectionState::Connected, supervisor.Status().State);
    EXPECT_EQ(1u, supervisor.Status().Losses);
    EXPECT_EQ(2, sink.posts.load()) << "all parameters read again on the new connection";
    const uint32_t ok = link.Counters().StateOk;
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateOk > ok + 5; }, 5s));
    EXPECT_TRUE(messages.Texts().empty());
}

INSTANTIATE_TEST_SUITE_P(BothKinds, NetworkOnSim,
                         ::testing::Values(sim::FrontKind::ModbusTcp, sim::FrontKind::RtuOverTcp));

// What a scripted peer sends for one request; with reset the connection is
// then reset (RST) and the script ends.
struct Answer {
    std::vector<uint8_t> bytes;
    bool reset = false;
};

// A one-connection Modbus TCP peer that answers each request with what
// `script` makes of it (nothing sent for empty bytes; closed after the
// script ends).
class ScriptedPeer {
public:
    using Step = std::function<Answer(const uint8_t* request)>;
    explicit ScriptedPeer(std::vector<Step> script) : script_(std::move(script)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 1);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedPeer() {
        thread_.join();
        ::close(listen_);
    }
    std::string Name() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

private:
    void Serve() {
        const int fd = ::accept(listen_, nullptr, nullptr);
        for (const Step& step : script_) {
            uint8_t request[12];
            size_t got = 0;
            while (got < sizeof request) {
                const ssize_t n = ::recv(fd, request + got, sizeof request - got, 0);
                if (n <= 0) break;
                got += static_cast<size_t>(n);
            }
            const Answer answer = step(request);
            if (!answer.bytes.empty()) ::send(fd, answer.bytes.data(), answer.bytes.size(), MSG_NOSIGNAL);
            if (answer.reset) {
                const linger abort{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                break;
            }
        }
        ::close(fd);
    }
    std::vector<Step> script_;
    int listen_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
};

// The reply to a write-register request as MBAP: the echo, with the
// transaction moved by `shift` and the given protocol field.
std::vector<uint8_t> Echo(const uint8_t* request, int shift, uint8_t protocol = 0) {
    std::vector<uint8_t> reply(request, request + 12);
    const uint16_t t = static_cast<uint16_t>((request[0] << 8 | request[1]) + shift);
    reply[0] = static_cast<uint8_t>(t >> 8);
    reply[1] = static_cast<uint8_t>(t & 0xFF);
    reply[3] = protocol;
    return reply;
}

TEST(NetworkFaults, EachFailureIsToldWithItsReason) {
    ExchangeJournal journal;
    CModbusPort port;
    port.SetJournal(&journal);
    {
        // Late, then ours; a stranger; a foreign protocol; then the peer hangs up.
        ScriptedPeer peer({[](const uint8_t* r) {
                               std::vector<uint8_t> both = Echo(r, -1);
                               const std::vector<uint8_t> ours = Echo(r, 0);
                               both.insert(both.end(), ours.begin(), ours.end());
                               return Answer{both};
                           },
                           [](const uint8_t* r) { return Answer{Echo(r, 100)}; },
                           [](const uint8_t* r) { return Answer{Echo(r, 0, 1)}; }});
        ASSERT_TRUE(port.OpenDevice(peer.Name(), 9600));
        EXPECT_EQ(0u, port.Baud.load()) << "no bit rate on a network line";
        EXPECT_EQ(RTU_OK, port.WriteSingleRegister(1, 5, 77));
        EXPECT_EQ(1u, journal.LateRepliesDropped());
        EXPECT_EQ(8, port.TxCount) << "the frame log shows the RTU form";
        EXPECT_EQ(Crc16(port.TxFrame, 6), port.TxFrame[6] | port.TxFrame[7] << 8);
        EXPECT_EQ(RTU_ERR_FRAME, port.WriteSingleRegister(1, 5, 77));
        EXPECT_EQ(LineFault::TransactionMismatch, port.LastLineFault().kind);
        EXPECT_EQ(RTU_ERR_FRAME, port.WriteSingleRegister(1, 5, 77));
        EXPECT_EQ(LineFault::ProtocolMismatch, port.LastLineFault().kind);
        const RtuResult closed = port.WriteSingleRegister(1, 5, 77);
        EXPECT_TRUE(closed == RTU_ERR_READ || closed == RTU_ERR_WRITE) << closed;
        EXPECT_NE("", LineFaultReason(port.LastLineFault(), false));
        port.ClosePort();
    }
    const std::string freePort = [] {
        sim::NetworkFront gone(sim::FrontKind::ModbusTcp, "/dev/null", 9600, {1});
        gone.Start(0);
        const uint16_t p = gone.Port();
        gone.Stop();
        return std::to_string(p);
    }();
    EXPECT_FALSE(port.OpenDevice("tcp://127.0.0.1:" + freePort, 9600));
    EXPECT_EQ(OpenFailure::Refused, port.LastOpenError().kind);
    EXPECT_NE(std::string::npos, PortOpenFailMessage(port.LastOpenError(), false).find("connection refused"));
    EXPECT_FALSE(port.OpenDevice("rtu-tcp://no-such-host.invalid:502", 9600));
    EXPECT_EQ(OpenFailure::HostNotFound, port.LastOpenError().kind);
    EXPECT_FALSE(port.OpenDevice("tcp://:502", 9600));
    EXPECT_EQ(OpenFailure::BadName, port.LastOpenError().kind);
    EXPECT_NE(std::string::npos, PortOpenFailMessage(port.LastOpenError(), true).find("tcp://:502"));
}

// Garbage, half a reply and then silence, a reply of 70,000 bytes, a reset
// half way through a reply: each request ends with its reason, none hangs.
TEST(NetworkFaults, AHostilePeerIsToldAndNeverHangsThePort) {
    ScriptedPeer peer(
        {[](const uint8_t*) {
             return Answer{std::vector<uint8_t>{'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P'}};
         },
         [](const uint8_t* r) {
             std::vector<uint8_t> half = Echo(r, 0);
             half.resize(9);
             return Answer{half};
         },
         [](const uint8_t* r) {
             std::vector<uint8_t> huge = Echo(r, 0);
             huge[4] = 0xFF;
             huge[5] = 0xFF;
             huge.resize(70000, 0x55);
             return Answer{huge};
         },
         [](const uint8_t* r) {
             std::vector<uint8_t> cut = Echo(r, 0);
             cut.resize(6);
             return Answer{cut, true};
         }});
    CModbusPort port;
    ASSERT_TRUE(port.OpenDevice(peer.Name(), 9600));
    EXPECT_EQ(RTU_ERR_FRAME, port.WriteSingleRegister(1, 5, 77));
    EXPECT_EQ(LineFault::ProtocolMismatch, port.LastLineFault().kind);
    EXPECT_EQ(RTU_ERR_NO_REPLY, port.WriteSingleRegister(1, 5, 77));
    EXPECT_EQ(RTU_ERR_FRAME, port.WriteSingleRegister(1, 5, 77));
    EXPECT_EQ(LineFault::LengthMismatch, port.LastLineFault().kind);
    const RtuResult reset = port.WriteSingleRegister(1, 5, 77);
    EXPECT_TRUE(reset == RTU_ERR_READ || reset == RTU_ERR_WRITE) << reset;
    EXPECT_TRUE(port.LastLineFault().kind == LineFault::Reset ||
                port.LastLineFault().kind == LineFault::Closed);
    EXPECT_NE(RTU_OK, port.WriteSingleRegister(1, 5, 77)) << "the connection stays broken until reopened";
    port.ClosePort();
}

} // namespace
} // namespace velt::test
