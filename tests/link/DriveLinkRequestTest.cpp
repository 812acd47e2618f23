// The link's request operations against the simulated drive: parameter
// reads, writes and their log, and the lock that keeps frames apart.
#include "link/DriveMap.h"
#include "tests/support/LinkTestSupport.h"

#include <set>
#include <utility>

namespace velt::test {
namespace {

TEST_F(LinkOnSim, OperationsWhileDisconnectedSendNothing) {
    EXPECT_EQ(RTU_ERR_NOT_OPEN, link.ReadAllParams());
    EXPECT_EQ(RTU_ERR_NOT_OPEN, link.WriteParam(drive::PositionLowRegister, 1));
    EXPECT_EQ(RTU_ERR_NOT_OPEN, link.WriteOutput(0, true));
    std::this_thread::sleep_for(250ms); // one disconnected pass
    EXPECT_TRUE(sim.Requests().empty());
    EXPECT_TRUE(log.Frames().empty());
    EXPECT_EQ(0, sink.posts.load());
    const LinkCounters c = link.Counters();
    EXPECT_EQ(0u, c.StateReads + c.DiReads + c.DoRequests + c.ParamRequests);
    EXPECT_EQ(0u, link.PassCount());
}

TEST_F(LinkOnSim, ReadAllParamsWhoseThirdBlockFailsKeepsTheFirstTwoAndPostsNothing) {
    ConnectAndPoll();
    ASSERT_EQ(RTU_OK, link.ReadAllParams());
    EXPECT_EQ(1, sink.posts.load());
    const ParamBlock first = link.ParamRegs();
    EXPECT_EQ(12001, first[drive::HardwareVersionRegister]);
    EXPECT_EQ(12001, first[drive::SoftwareVersionRegister]);
    LinkCounters c = link.Counters();
    EXPECT_EQ(4u, c.ParamRequests);
    EXPECT_EQ(4u, c.ParamOk);

    sim.SetHolding(0, 111);
    sim.SetHolding(71, 171);
    sim.SetHolding(72, static_cast<uint16_t>(first[72] + 1));
    sim.SetHolding(110, static_cast<uint16_t>(first[110] + 1));
    sim.SetSilentFor(3, 72, true);
    EXPECT_EQ(RTU_ERR_NO_REPLY, link.ReadAllParams());

    const ParamBlock after = link.ParamRegs();
    EXPECT_EQ(111, after[0]);
    EXPECT_EQ(171, after[71]);
    EXPECT_EQ(first[72], after[72]);
    EXPECT_EQ(first[110], after[110]);
    c = link.Counters();
    EXPECT_EQ(7u, c.ParamRequests);
    EXPECT_EQ(6u, c.ParamOk);
    EXPECT_EQ(1u, c.ParamFail);
    EXPECT_EQ(1u, c.NoReplies);
    EXPECT_EQ(1, sink.posts.load());
    EXPECT_TRUE(log.Frames().empty()) << "parameter reads are not logged";
}

TEST_F(LinkOnSim, EveryWriteIsLoggedWithWhatCameBack) {
    ConnectAndPoll();

    EXPECT_EQ(RTU_OK, link.WriteParam(drive::PositionHighRegister, 0xBEEF));
    EXPECT_EQ(0xBEEF, sim.Holding(drive::PositionHighRegister));
    EXPECT_EQ(RTU_OK, link.WriteOutput(2, 1));
    EXPECT_TRUE(sim.Coil(2));
    EXPECT_EQ(RTU_OK, link.WriteOutput(2, 0));
    EXPECT_FALSE(sim.Coil(2));
    sim.SetRefuse(drive::SpeedRegister, true);
    EXPECT_EQ(RtuResult::Exception(drive::ExceptionDeviceFailure), link.WriteParam(drive::SpeedRegister, 5));

    const std::vector<LoggedFrame> f = log.Frames();
    ASSERT_EQ(8u, f.size());
    for (size_t i = 0; i < f.size(); i += 2) {
        EXPECT_TRUE(f[i].tx);
        EXPECT_FALSE(f[i + 1].tx);
        EXPECT_EQ(8u, f[i].bytes.size());
    }
    EXPECT_EQ((std::vector<uint8_t>{0x01, 0x06, 0x00, 0x7B, 0xBE, 0xEF}),
              std::vector<uint8_t>(f[0].bytes.begin(), f[0].bytes.begin() + 6));
    EXPECT_EQ(f[0].bytes, f[1].bytes) << "a write is answered by its echo";
    EXPECT_EQ((std::vector<uint8_t>{0x01, 0x05, 0x00, 0x02, 0xFF, 0x00}),
              std::vector<uint8_t>(f[2].bytes.begin(), f[2].bytes.begin() + 6));
    EXPECT_EQ(f[4].bytes, f[5].bytes);
    ASSERT_EQ(5u, f[7].bytes.size()) << "the exception reply as received";
    EXPECT_EQ(0x86, f[7].bytes[1]);
    EXPECT_EQ(4, f[7].bytes[2]);

    const LinkCounters c = link.Counters();
    EXPECT_EQ(2u, c.ParamRequests);
    EXPECT_EQ(1u, c.ParamOk);
    EXPECT_EQ(1u, c.ParamFail);
    EXPECT_EQ(0u, c.CrcErrors + c.NoReplies);
    EXPECT_EQ(0, link.ParamRegs()[drive::PositionHighRegister])
        << "a write does not touch the parameter copy";

    // Drive ID 0: the request goes out as a broadcast, nothing is read back.
    link.SetDriveId(0);
    EXPECT_EQ(RTU_BROADCAST, link.ReadAllParams());
    EXPECT_EQ(0, sink.posts.load());
    EXPECT_EQ(2u, link.Counters().ParamFail);
    EXPECT_EQ(RTU_BROADCAST, link.WriteParam(drive::TorqueRegister, 9));
    const std::vector<LoggedFrame> g = log.Frames();
    ASSERT_EQ(10u, g.size());
    EXPECT_EQ(0x00, g[8].bytes.at(0));
    EXPECT_TRUE(g[9].bytes.empty());
}

TEST_F(LinkOnSim, WritersOnSeveralThreadsNeverInterleaveOnTheWire) {
    ConnectAndPoll();
    // Each thread writes its own register of the command arguments.
    constexpr int kFirst = drive::PositionLowRegister;
    constexpr int kThreads = 4;
    constexpr int kWrites = 30;
    std::atomic<int> bad{0};
    std::atomic<bool> writing{true};
    std::atomic<int> inconsistent{0};

    // A page-like reader taking snapshots all the while.
    std::thread reader([&] {
        while (writing.load()) {
            const LinkCounters c = link.Counters();
            if (c.StateOk + c.StateFail > c.StateReads) inconsistent.fetch_add(1);
            (void)link.StateRegs();
            (void)link.DigitalInputs();
            std::this_thread::yield();
        }
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < kWrites; ++i)
                if (link.WriteParam(static_cast<uint16_t>(kFirst + t), static_cast<uint16_t>(1000 * t + i)) !=
                    RTU_OK)
                    bad.fetch_add(1);
        });
    for (std::thread& w : writers)
        w.join();
    writing.store(false);
    reader.join();

    EXPECT_EQ(0, bad.load());
    EXPECT_EQ(0, inconsistent.load());
    std::set<std::pair<int, int>> expected;
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kWrites; ++i)
            expected.insert({kFirst + t, 1000 * t + i});
    std::set<std::pair<int, int>> seen;
    for (const sim::SimRequest& r : sim.Requests()) {
        EXPECT_EQ(1, r.slave);
        EXPECT_TRUE(r.function == drive::FunctionReadCoils ||
                    r.function == drive::FunctionReadDiscreteInputs ||
                    r.function == drive::FunctionReadInputRegisters ||
                    r.function == drive::FunctionWriteSingleRegister)
            << int(r.function);
        if (r.function == drive::FunctionWriteSingleRegister) seen.insert({r.address, r.value});
    }
    EXPECT_EQ(expected, seen);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(1000 * t + kWrites - 1, sim.Holding(kFirst + t));

    const std::vector<LoggedFrame> f = log.Frames();
    ASSERT_EQ(2u * kThreads * kWrites, f.size());
    for (size_t i = 0; i < f.size(); i += 2) {
        EXPECT_TRUE(f[i].tx && !f[i + 1].tx);
        EXPECT_EQ(f[i].bytes, f[i + 1].bytes) << "each reply belongs to its own request";
    }
    EXPECT_EQ(uint32_t{kThreads * kWrites}, link.Counters().ParamOk);
}

} // namespace
} // namespace velt::test
