// The MainThread against the simulated drive: cadence, silence, drive-ID
// changes, disconnect and stop.
#include "link/DriveMap.h"
#include "tests/support/LinkTestSupport.h"

#include <algorithm>

namespace velt::test {
namespace {

const std::vector<uint8_t> kStateReadFrame = {0x01, 0x04, 0x00, 0x00, 0x00, 0x20, 0xF1, 0xD2};

// A settings source that holds the MainThread inside its pass until released.
class BlockingSettingsId : public IDriveIdSource {
public:
    uint8_t SettingsDriveId() const override {
        std::unique_lock lock(m_);
        calls.fetch_add(1);
        cv_.wait(lock, [this] { return !blocking_; });
        return 1;
    }
    void Release() {
        {
            std::lock_guard lock(m_);
            blocking_ = false;
        }
        cv_.notify_all();
    }
    mutable std::atomic<int> calls{0};

private:
    mutable std::mutex m_;
    mutable std::condition_variable cv_;
    bool blocking_ = true;
};

TEST_F(LinkOnSim, FirstPassReadsStateInputsOutputsThenFourPassesStateOnly) {
    Connect();
    ASSERT_TRUE(WaitUntil([&] { return sim.Requests().size() >= 11; }, 5s));
    const std::vector<sim::SimRequest> r = sim.Requests();
    constexpr int kState = drive::FunctionReadInputRegisters, kInputs = drive::FunctionReadDiscreteInputs,
                  kCoils = drive::FunctionReadCoils;
    const std::vector<int> expected = {kState, kInputs, kCoils,  kState, kState, kState,
                                       kState, kState,  kInputs, kCoils, kState};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i], r[i].function) << "request " << i;
        EXPECT_EQ(1, r[i].slave);
        EXPECT_EQ(0, r[i].address);
        EXPECT_EQ(r[i].function == kState ? drive::StateCount : drive::BitCount, r[i].value);
    }
    EXPECT_EQ(0u, link.FailCount());
    EXPECT_GE(link.PassCount(), 5u);
    EXPECT_TRUE(log.Frames().empty()) << "successful polls are not logged";
}

TEST_F(LinkOnSim, SilentDriveFailsWritesAndPollsCountsThemAndRecovers) {
    ConnectAndPoll();
    sim.SetSilent(true);

    // A write to a silent drive: logged with the request and nothing received.
    EXPECT_EQ(RTU_ERR_NO_REPLY, link.WriteParam(drive::PositionLowRegister, 7));
    std::vector<LoggedFrame> frames = log.Frames();
    size_t w = 0;
    while (w < frames.size() && !(frames[w].tx && frames[w].bytes.size() == 8 &&
                                  frames[w].bytes[1] == drive::FunctionWriteSingleRegister))
        ++w;
    ASSERT_LT(w + 1, frames.size()) << "the write is logged";
    EXPECT_EQ((std::vector<uint8_t>{0x01, 0x06, 0x00, 0x7A, 0x00, 0x07}),
              std::vector<uint8_t>(frames[w].bytes.begin(), frames[w].bytes.begin() + 6));
    EXPECT_FALSE(frames[w + 1].tx);
    EXPECT_TRUE(frames[w + 1].bytes.empty());

    // Each failed state poll (about 1.07 s) raises FailCount by one.
    ASSERT_TRUE(WaitUntil([&] { return link.FailCount() >= 1; }, 5s));
    const LinkCounters c = link.Counters();
    EXPECT_GE(c.StateFail, 1u);
    EXPECT_EQ(c.NoReplies, c.StateFail + c.DiFail + c.DoFail + c.ParamFail);
    EXPECT_EQ(0u, c.CrcErrors);
    EXPECT_EQ(1u, c.ParamFail);
    frames = log.Frames();
    bool statePollLogged = false;
    for (size_t i = 0; i + 1 < frames.size(); i += 2) {
        EXPECT_TRUE(frames[i].tx);
        EXPECT_FALSE(frames[i + 1].tx);
        EXPECT_TRUE(frames[i + 1].bytes.empty());
        statePollLogged = statePollLogged || frames[i].bytes == kStateReadFrame;
    }
    EXPECT_TRUE(statePollLogged);

    sim.SetSilent(false);
    EXPECT_TRUE(WaitUntil([&] { return link.FailCount() == 0; }, 5s)) << "a good poll resets FailCount";
    EXPECT_TRUE(link.IsConnected()) << "the link itself never gives up";
}

TEST_F(LinkOnSim, DisconnectClosesThePortAndZeroesEverythingWithinAFewHundredMs) {
    ConnectAndPoll();
    ASSERT_EQ(RTU_OK, link.ReadAllParams());
    ASSERT_EQ(12001, link.ParamRegs()[drive::HardwareVersionRegister]);

    const auto start = Clock::now();
    link.Disconnect();
    ASSERT_TRUE(WaitUntil(
        [&] { return link.ParamRegs()[drive::HardwareVersionRegister] == 0 && !link.Status().PortOpen; },
        2s));
    EXPECT_LT(MsSince(start), 700.0) << "one disconnected pass, about 200 ms apart";

    EXPECT_EQ(0u, link.FailCount());
    EXPECT_EQ(StateBlock{}, link.StateRegs());
    EXPECT_EQ(BitBlock{}, link.DigitalInputs());
    EXPECT_EQ(BitBlock{}, link.DigitalOutputs());
    EXPECT_EQ(ParamBlock{}, link.ParamRegs());
    const LinkCounters c = link.Counters();
    EXPECT_EQ(0u, c.StateReads + c.StateOk + c.DiReads + c.DoRequests + c.ParamRequests + c.ParamOk);

    // The port can be opened again right away.
    Connect();
    EXPECT_TRUE(WaitUntil([&] { return link.Counters().StateOk > 0; }, 3s));
}

TEST_F(LinkOnSim, ConnectRightAfterADisconnectDuringATimedOutPollOpensThePortAgain) {
    ConnectAndPoll();
    sim.SetSilent(true);
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().NoReplies >= 1; }, 5s));
    std::this_thread::sleep_for(100ms); // inside the next poll's wait of about 1.1 s
    link.Disconnect();
    sim.SetSilent(false);
    // Waits for that poll to end, before the MainThread has closed the port.
    Connect();
    const uint32_t ok = link.Counters().StateOk;
    EXPECT_TRUE(WaitUntil([&] { return link.Counters().StateOk > ok; }, 3s));
}

TEST_F(LinkOnSim, DriveIdZeroSendsNothingAndAChangeBackPausesZeroesAndRereads) {
    SettingsId settings(1);
    link.SetDriveIdSource(&settings);
    ConnectAndPoll();

    settings.id.store(0);
    // The MainThread follows the new ID after its pass's polls: once DriveId
    // reads 0, no request of the old ID is on the line.
    ASSERT_TRUE(WaitUntil([&] { return link.DriveId() == 0; }, 2s));
    sim.ClearRequests();
    const uint32_t passes = link.PassCount();
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(sim.Requests().empty());
    EXPECT_EQ(0u, link.FailCount()) << "no poll is counted as failed for ID 0";
    EXPECT_GT(link.PassCount(), passes + 5) << "the loop keeps running";
    EXPECT_EQ(0u, link.Counters().StateReads) << "counters zeroed by the change";

    sim.SetHolding(10, 1234);
    const auto start = Clock::now();
    settings.id.store(1);
    ASSERT_TRUE(WaitUntil([&] { return sink.posts.load() == 1; }, 3s));
    EXPECT_GE(MsSince(start), 90.0) << "the link pauses 100 ms before following";
    EXPECT_EQ(1234, link.ParamRegs()[10]);
    const std::vector<sim::SimRequest> r = sim.Requests();
    ASSERT_GE(r.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(3, r[k].function);
        EXPECT_EQ(36 * k, r[k].address);
        EXPECT_EQ(36, r[k].value);
    }
    const LinkCounters c = link.Counters();
    EXPECT_EQ(4u, c.ParamRequests);
    EXPECT_EQ(4u, c.ParamOk);
}

TEST_F(LinkOnSim, StopThreadWithASilentDriveEndsInsideItsWaitWithoutAMessage) {
    ConnectAndPoll();
    sim.SetSilent(true);
    // Right after a failed state read the pass may go on with two more
    // timed-out reads (inputs and outputs): the longest pass there is.
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateFail >= 1; }, 5s));

    const auto start = Clock::now();
    link.StopThread();
    EXPECT_LT(MsSince(start), 5500.0);
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(0, link.IsRunning());
    EXPECT_FALSE(link.Status().PortOpen);
}

TEST_F(LinkOnSim, AMainThreadStuckPastTheWaitIsReportedAndOutlivesStopThreadSafely) {
    static BlockingSettingsId settings; // outlives the link and its thread
    link.SetDriveIdSource(&settings);
    ConnectAndPoll();
    ASSERT_TRUE(WaitUntil([&] { return settings.calls.load() > 0; }, 3s));

    const auto start = Clock::now();
    link.StopThread();
    EXPECT_GE(MsSince(start), 5000.0);
    EXPECT_EQ(std::vector<std::string>{"MainThread timeout!"}, messages.Texts());
    settings.Release(); // the link's destructor waits for the thread to end
}

TEST_F(LinkOnSim, StopThreadDeletesThePortOnlyAfterAWriteInFlightOnAnotherThreadHasEnded) {
    static BlockingSettingsId settings; // parks the MainThread outside the link's lock; outlives it
    link.SetDriveIdSource(&settings);
    ConnectAndPoll();
    ASSERT_TRUE(WaitUntil([&] { return settings.calls.load() > 0; }, 3s));
    sim.SetSilent(true);

    RtuResult writeResult = RTU_OK;
    std::thread writer([&] {
        writeResult = link.WriteParam(drive::PositionLowRegister, 1); // about 1 s against the silent drive
    });
    EXPECT_TRUE(WaitUntil([&] { return link.Counters().ParamRequests > 0; }, 2s));
    // The MainThread ends soon after StopThread's first sleep, long before
    // the write times out, and takes no lock on its way out.
    std::thread releaser([&] {
        std::this_thread::sleep_for(600ms);
        settings.Release();
    });
    link.StopThread();
    // The write logs its frames under the link's lock, before it lets go of
    // it: when StopThread could take the lock, they are there. (A flag set
    // after WriteParam returns may still be unset then.)
    const auto frames = log.Frames();
    const bool doneWhenStopped = std::any_of(frames.begin(), frames.end(), [](const LoggedFrame& f) {
        return f.tx && f.bytes.size() == 8 && f.bytes[1] == drive::FunctionWriteSingleRegister;
    });
    writer.join();
    releaser.join();

    EXPECT_TRUE(doneWhenStopped) << "the port was deleted under a running exchange";
    EXPECT_EQ(RTU_ERR_NO_REPLY, writeResult);
    EXPECT_FALSE(link.Status().PortOpen);
    EXPECT_TRUE(messages.Texts().empty());
}

} // namespace
} // namespace velt::test
