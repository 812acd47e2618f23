// Drills of the line: the drive falling silent in the middle of "All
// Parameter Save", a pulled cable, bursts of bad CRCs and late replies, each
// against velt-drive-sim as a program of its own.
#include "DrillFixture.h"
#include "controls/CButtonST.h"
#include "link/DriveMap.h"
#include "link/LinkTexts.h"
#include "params/ParamCatalogue.h"

#include <iostream>
#include <regex>

namespace velt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<fs::path> Backups(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
        files.push_back(e.path());
    return files;
}

// The last parameter the save writes: in use and below the command block.
int LastSavedParameter() {
    int last = 0;
    for (int n = 0; n < drive::CommandBlockFirst; ++n)
        if (ParamKind(n) != 0) last = n;
    return last;
}

TEST_F(DrillTest, TheDriveFallingSilentDuringASaveLosesNothingAndTheUserIsToldWhere) {
    StartSim();
    Start();
    Connect();
    CDlgParameter& page = Page();
    const velt::ParamValues drive = page.WorkingCopy().Values();
    const int last = LastSavedParameter();
    page.WorkingCopy().StoreEdited(13, drive[13] + 1);     // written before the drive falls silent
    page.WorkingCopy().StoreEdited(last, drive[last] + 1); // never reached
    const velt::ParamValues edited = page.WorkingCopy().Values();

    // The drive stops answering once the save has passed parameter 60.
    SaveAllCutByASilentDrive(page);

    ASSERT_EQ(shown.Boxes.size(), 2u);
    std::smatch m;
    ASSERT_TRUE(
        std::regex_match(shown.Boxes[1].text, m,
                         std::regex(R"( Parameters No\.\[(\d+)\] during storage Error has occurred\.)"
                                    R"(\r\n Min, Max values and communication connection status check )"
                                    R"(\r\n Save again\.)")))
        << shown.Boxes[1].text;
    const int failed = std::stoi(m[1]);
    EXPECT_GE(failed, 60);
    EXPECT_LT(failed, last);
    // The page goes on: its working copy as edited, the button back, the bar at 0.
    EXPECT_EQ(page.WorkingCopy().Values(), edited);
    EXPECT_TRUE(page.SaveAllButton->isEnabled());
    EXPECT_EQ(page.SaveProgress->value(), 0);
    // The backup holds what the drive held before the save.
    const std::vector<fs::path> backups = Backups(BackupFolder());
    ASSERT_EQ(backups.size(), 1u);
    velt::ParamValues backedUp{};
    ASSERT_TRUE(ReadParFile(backups[0], &backedUp, false));
    EXPECT_EQ(backedUp, drive);
    // No store command followed: the drive never wrote its parameter memory.
    EXPECT_FALSE(fs::exists(StateFile()));

    // The drive answers again; a reconnect reads what it holds now.
    Fault("silent off");
    app->MenuBar()->DisconnectDrive();
    Connect();
    EXPECT_EQ(page.WorkingCopy().Values()[13], drive[13] + 1);
    EXPECT_EQ(page.WorkingCopy().Values()[last], drive[last]);
    EXPECT_EQ(shown.Boxes.size(), 2u) << shown.Boxes.back().text;
}

TEST_F(DrillTest, APulledCableIsReportedOnceThePortClosesAndARestartedDriveConnects) {
    StartSim();
    Start();
    Connect();
    const auto pulled = Clock::now();
    sim->Kill(); // the pseudo-terminal closes with the process
    ASSERT_TRUE(WaitUntil([&] { return !shown.Boxes.empty(); }, 30s));
    const auto told = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pulled);
    std::cout << "[ drill    ] cable pulled, watchdog message after " << told.count() << " ms\n";
    // Five failed state polls of at most 1.07 s each and two bit reads of
    // 1.0 s, the disconnect's 1 s wait, and room for a loaded machine.
    EXPECT_LT(told, 5 * 1070ms + 2 * 1010ms + 1000ms + 3000ms);
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{kDriverNoResponse.En});
    EXPECT_FALSE(app->Link()->IsConnected());
    EXPECT_TRUE(WaitUntil([&] { return !PortOpen(); }, kPatience));
    EXPECT_TRUE(app->MenuBar()->ConnectButton->isEnabled());

    // A new drive on the same COM3, without restarting anything.
    StartSim();
    Connect();
    const uint32_t ok = app->Link()->Counters().StateOk;
    EXPECT_TRUE(WaitUntil([&] { return app->Link()->Counters().StateOk > ok + 3; }, kPatience));
    EXPECT_EQ(shown.Boxes.size(), 1u);
}

TEST_F(DrillTest, ABurstOfBadCrcsShorterThanFivePollsIsCountedAndForgotten) {
    StartSim();
    Start();
    Connect();
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->Counters().StateOk > 3; }, kPatience));
    const uint16_t status = app->Link()->StateRegs()[drive::StateStatus];
    Fault("crcburst 4");
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->Counters().CrcErrors >= 4; }, kPatience));
    const uint32_t ok = app->Link()->Counters().StateOk;
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->Counters().StateOk > ok + 5; }, kPatience));
    // Past the watchdog's next ticks: still connected, nothing said.
    const auto settle = Clock::now() + 300ms;
    WaitUntil([&] { return Clock::now() > settle; }, 1s);
    const LinkCounters counters = app->Link()->Counters();
    EXPECT_EQ(counters.CrcErrors, 4u);
    EXPECT_GE(counters.StateFail + counters.DiFail + counters.DoFail, 4u);
    EXPECT_TRUE(app->Link()->IsConnected());
    EXPECT_EQ(app->Link()->StateRegs()[drive::StateStatus], status);
    EXPECT_TRUE(shown.Boxes.empty());
}

TEST_F(DrillTest, ALongBurstOfBadCrcsDisconnectsWithOneMessage) {
    StartSim();
    Start();
    Connect();
    Fault("badcrc on");
    ASSERT_TRUE(WaitUntil([&] { return !shown.Boxes.empty(); }, kPatience));
    EXPECT_FALSE(app->Link()->IsConnected());
    // The watchdog keeps ticking (every 100 ms) while the drive still sends bad CRCs.
    const auto settle = Clock::now() + 1500ms;
    WaitUntil([&] { return Clock::now() > settle; }, 2s);
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{kDriverNoResponse.En});
    Fault("badcrc off");
}

TEST_F(DrillTest, LateRepliesAreNeverTakenForTheAnswerToTheNextRequest) {
    StartSim();
    Start();
    Connect();
    // Late but inside the read time: slow, and every answer good.
    Fault("late 300");
    uint32_t ok = app->Link()->Counters().StateOk;
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->Counters().StateOk > ok + 3; }, kPatience));
    EXPECT_EQ(app->Link()->Counters().StateFail, 0u);

    // Just after the read gave up (the state block's read ends at 1069 ms,
    // the bit reads' at 1007 ms): each reply comes while the next request
    // would wait for its own. None of them may count as an answer.
    Fault("late 1080");
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->Counters().NoReplies >= 1; }, kPatience));
    const LinkCounters first = app->Link()->Counters();
    // Three more, and no fifth failed state poll in a row: the watchdog stays out of it.
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->Counters().NoReplies >= 3; }, 15s));
    const LinkCounters later = app->Link()->Counters();
    EXPECT_EQ(later.StateOk, first.StateOk);
    EXPECT_EQ(later.DiOk, first.DiOk);
    EXPECT_EQ(later.DoOk, first.DoOk);

    Fault("late 0");
    ok = app->Link()->Counters().StateOk;
    EXPECT_TRUE(WaitUntil([&] { return app->Link()->Counters().StateOk > ok + 3; }, kPatience));
    EXPECT_TRUE(app->Link()->IsConnected());
}

} // namespace
} // namespace velt::test
