// Reconnecting and the watchdog's time, against an in-process simulated drive
// published as COM7 in a private ports folder: a drive stopped and started
// again is a pulled cable put back, its COM name gone meanwhile as an
// unplugged adapter's is.
#include "link/ConnectionSupervisor.h"
#include "link/DriveMap.h"
#include "platform/PortsFolder.h"
#include "platform/UserFolders.h"
#include "tests/support/LinkTestSupport.h"

#include <filesystem>
#include <iostream>
#include <memory>

namespace velt::test {
namespace {

constexpr uint8_t kCom = 7;

class ReconnectOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        folder_ = MakePrivateTempFolder("velt-reconnect-", &error);
        ASSERT_FALSE(folder_.empty()) << error;
        UsePortsFolder(folder_);
        StartSim();
        link.SetParamsReadSink(&sink);
        link.StartThread();
    }
    void TearDown() override {
        link.StopThread();
        sim.reset();
        UsePortsFolder({});
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    void StartSim() {
        sim::SimOptions options;
        options.comNumber = kCom;
        sim = std::make_unique<sim::SimDrive>(options);
        std::string error;
        ASSERT_TRUE(sim->Start(&error)) << error;
    }
    static PortAddress Address() { return {ComDeviceName(kCom), 9600}; }
    void ConnectAndPoll() {
        ASSERT_EQ(OpenFailure::None, link.Connect(Address()).kind);
        ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateOk > 0; }, 5s));
    }
    // Stops the drive (its pseudo-terminal and COM name go) and waits for the
    // watchdog's count, then disconnects as the watchdog does.
    void PullTheCable() {
        sim->Stop();
        ASSERT_TRUE(WaitUntil([&] { return link.FailCount() >= 5; }, 15s));
        link.Disconnect();
    }
    std::vector<sim::SimRequest> WritesTo(const sim::SimDrive& drive) const {
        std::vector<sim::SimRequest> writes;
        for (const sim::SimRequest& r : drive.Requests())
            if (r.function == drive::FunctionWriteSingleRegister ||
                r.function == drive::FunctionWriteSingleCoil)
                writes.push_back(r);
        return writes;
    }

    CapturedMessages messages;
    std::unique_ptr<sim::SimDrive> sim;
    CountingSink sink;
    CDriveLink link;

private:
    std::filesystem::path folder_;
};

TEST_F(ReconnectOnSim, ADriveThatComesBackUnderItsNameIsConnectedAgainAndNothingIsSentTwice) {
    ConnectAndPoll();
    const uint32_t first = link.ConnectionSerial();
    // A write the drive carries out while its reply is lost, as on a line that is failing.
    sim->SetBadCrc(true);
    EXPECT_EQ(RTU_ERR_CRC, link.WriteParam(drive::SpeedRegister, 321));
    ASSERT_EQ(1u, sim->ExecutedWrites().size());
    PullTheCable();
    link.StartReconnecting(Address());
    EXPECT_TRUE(link.IsReconnecting());
    // No drive, no COM name: the tries fail without a word.
    ASSERT_TRUE(WaitUntil([&] { return link.ReconnectAttempts() >= 2; }, 10s));
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(RTU_ERR_NOT_OPEN, link.WriteParam(drive::SpeedRegister, 5)) << "nothing goes out meanwhile";

    const int postsBefore = sink.posts.load();
    StartSim();
    ASSERT_TRUE(WaitUntil([&] { return link.IsConnected(); }, 10s));
    EXPECT_FALSE(link.IsReconnecting());
    EXPECT_EQ(1u, link.Reconnects());
    EXPECT_EQ(first + 1, link.ConnectionSerial());
    EXPECT_EQ(postsBefore + 1, sink.posts.load()) << "all parameters read again, as a connect does";
    EXPECT_EQ(12001, link.ParamRegs()[drive::HardwareVersionRegister]);
    const uint32_t ok = link.Counters().StateOk;
    ASSERT_TRUE(WaitUntil([&] { return link.Counters().StateOk > ok + 5; }, 5s));

    // Neither the write whose reply was lost nor the one refused meanwhile went out again.
    EXPECT_TRUE(WritesTo(*sim).empty());
    EXPECT_TRUE(sim->ExecutedWrites().empty());
    // A sequence of the old connection cannot write on the new one.
    EXPECT_EQ(RTU_ERR_NOT_OPEN, link.WriteParamOn(first, drive::SpeedRegister, 9));
    EXPECT_TRUE(WritesTo(*sim).empty());
    EXPECT_EQ(RTU_OK, link.WriteParamOn(first + 1, drive::SpeedRegister, 9));
    EXPECT_EQ(1u, WritesTo(*sim).size());
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(ReconnectOnSim, StoppedReconnectingLeavesADriveThatComesBackAlone) {
    ConnectAndPoll();
    PullTheCable();
    link.StartReconnecting(Address());
    ASSERT_TRUE(WaitUntil([&] { return link.ReconnectAttempts() >= 1; }, 10s));
    link.StopReconnecting();
    const uint32_t attempts = link.ReconnectAttempts();
    StartSim();
    std::this_thread::sleep_for(2500ms); // two periods in which a try would have come
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(attempts, link.ReconnectAttempts());
    EXPECT_TRUE(sim->Requests().empty());
}

// The supervisor gives up on a drive once per connection, says whether it
// tries again, takes only a drive that answers for connected, and tells of
// loss and return; the user's disconnect ends it all.
TEST_F(ReconnectOnSim, TheSupervisorGivesUpOnceAndReconnectsOnlyToADriveThatAnswers) {
    std::atomic<bool> reconnect{false};
    ConnectionSupervisor supervisor(link, [&] { return reconnect.load(); });
    ASSERT_TRUE(supervisor.Connect(Address(), 1).Ok());
    ConnectionStatus s = supervisor.Status();
    EXPECT_EQ(ConnectionState::Connected, s.State);

    sim->SetTxBaud(19200); // garbage of a plausible length for every request
    ASSERT_TRUE(WaitUntil([&] { return supervisor.Status().State == ConnectionState::Lost; }, 15s));
    const ConnectionStatus lost = supervisor.Status();
    EXPECT_GT(lost.Generation, s.Generation);
    EXPECT_EQ(1u, lost.Losses);
    EXPECT_EQ(0u, lost.NoteCount) << "nothing to note when nobody tries again";
    EXPECT_FALSE(link.IsConnected());
    EXPECT_FALSE(supervisor.Disconnect()) << "nothing left to drop";

    sim->SetTxBaud(0);
    reconnect = true;
    ASSERT_TRUE(supervisor.Connect(Address(), 1).Ok());
    sim->SetTxBaud(19200);
    ASSERT_TRUE(WaitUntil([&] { return supervisor.Status().Tries >= 2; }, 15s));
    s = supervisor.Status();
    EXPECT_EQ(ConnectionState::Reconnecting, s.State);
    EXPECT_EQ(2u, s.Losses);
    EXPECT_EQ(ConnectionNote::Kind::LostReconnecting, s.LastNote.What);
    EXPECT_FALSE(link.IsConnected()) << "a try whose parameter read fails does not connect";

    sim->SetTxBaud(0);
    ASSERT_TRUE(WaitUntil([&] { return supervisor.Status().State == ConnectionState::Connected; }, 10s));
    const ConnectionStatus back = supervisor.Status();
    EXPECT_EQ(1u, back.Returns);
    EXPECT_EQ(s.NoteCount + 1, back.NoteCount);
    EXPECT_EQ(ConnectionNote::Kind::Returned, back.LastNote.What);
    EXPECT_GE(back.LastNote.Tries, s.Tries);
    EXPECT_GT(back.Generation, s.Generation);

    EXPECT_TRUE(supervisor.Disconnect());
    EXPECT_EQ(ConnectionState::Disconnected, supervisor.Status().State);
    EXPECT_TRUE(supervisor.Status().StoppedByUser);
    EXPECT_FALSE(link.IsConnected());
}

// Against a drive that falls silent the watchdog's count of five failed state
// polls must come after five read time-outs and no more than one other: a
// pass ends at its first failed read, so no input or output read adds its
// own time-out between two state polls (each about 1.1 s with the drain).
TEST_F(ReconnectOnSim, ASilentDriveReachesTheWatchdogsCountAfterFiveTimeOutsAndAtMostOneMore) {
    ConnectAndPoll();
    const uint64_t before = link.Journal().Written();
    const auto silent = Clock::now();
    sim->SetSilent(true);
    ASSERT_TRUE(WaitUntil([&] { return link.FailCount() >= 5; }, 15s));
    const double ms = MsSince(silent);
    const uint64_t written = link.Journal().Written();
    int failed = 0;
    for (uint64_t i = before; i < written; ++i) {
        ExchangeRecord r;
        if (link.Journal().Read(i, &r) && IsFailure(OutcomeOf(r.Result))) ++failed;
    }
    std::cout << "[ figure   ] silent drive: FailCount 5 after " << ms << " ms, " << failed
              << " timed-out exchanges\n";
    EXPECT_GE(failed, 5);
    EXPECT_LE(failed, 6);
    EXPECT_GE(ms, 5 * 1000.0) << "five read time-outs of about 1.07 s each";
}

} // namespace
} // namespace velt::test
