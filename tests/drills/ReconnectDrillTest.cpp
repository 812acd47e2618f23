// Riding through a pulled cable with "Reconnect automatically" on: the whole
// application against velt-drive-sim run as a program of its own, killed and
// started again (its COM3 entry removed meanwhile, as an unplugged adapter's
// name goes), and a store cut by a drive that falls silent. The simulator
// logs every write it carries out; nothing may be sent again on its own.
#include "DrillFixture.h"
#include "app/CDlgComSetting.h"
#include "app/SerialSettings.h"
#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "link/LinkTexts.h"
#include "monitor/CDlgMonitoring.h"
#include "monitor/FrameLogList.h"
#include "platform/PortsFolder.h"
#include "repeat/CDlgRepeat.h"

#include <QCheckBox>

#include <regex>

namespace velt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ReconnectDrill : public DrillTest {
protected:
    void ReconnectOn() {
        app->ComSetting()->show();
        app->ComSetting()->ReconnectCheck->setChecked(true);
        app->ComSetting()->OkButton->click();
        ASSERT_TRUE(app->Settings()->ReconnectAutomatically());
    }
    // The process ends at once and its pseudo-terminal with it; the name goes too.
    void PullTheCable() {
        sim->Kill();
        fs::remove(PortsFolder() / "COM3");
    }
    bool ReceiveListHas(const std::string& text) const {
        for (const LogLine& line : app->Monitoring()->ReceiveList->Lines().Lines())
            if (line.Text == text) return true;
        return false;
    }
    CDlgMenuBar& Bar() { return *app->MenuBar(); }
};

TEST_F(ReconnectDrill, APulledCableIsRiddenThroughAndNeitherAWriteNorTheRepeatCycleStartsAgain) {
    StartSim();
    Start();
    ReconnectOn();
    Connect();
    // The repeat cycle running, as a machine builder leaves it.
    app->Monitoring()->ServoOnButton->click();
    ASSERT_TRUE(
        WaitUntil([&] { return (app->Link()->StateRegs()[drive::StateStatus] & drive::StatusServoOn) != 0; },
                  kPatience));
    app->Repeat()->StartButton->click();
    ASSERT_TRUE(app->Repeat()->Sequence().Status().Repeating);
    ASSERT_TRUE(WaitUntil([&] { return ExecutedWrites() > 3; }, kPatience))
        << "the cycle's moves reach the drive";

    PullTheCable();
    ASSERT_TRUE(WaitUntil([&] { return !shown.Boxes.empty(); }, 30s));
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{kDriverNoResponse.En});
    const RepeatStatus stopped = app->Repeat()->Sequence().Status();
    EXPECT_FALSE(stopped.Repeating);
    EXPECT_EQ(stopped.LastEnd, RepeatEnd::LineFault);
    ASSERT_TRUE(WaitUntil([&] { return app->Repeat()->windowTitle().contains("line fault"); }, kPatience));

    // Trying once a second, counted on the bar, with a way to stop.
    EXPECT_TRUE(Bar().Reconnecting());
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->ReconnectAttempts() >= 2; }, kPatience));
    Bar().RefreshStatus();
    EXPECT_TRUE(Bar().StatusLabel->text().startsWith("Reconnecting... ("))
        << Bar().StatusLabel->text().toStdString();
    EXPECT_EQ(Bar().DisconnectButton->text(), "Stop");
    EXPECT_EQ(Bar().DisconnectButton->accessibleName(), "Stop reconnecting");
    EXPECT_TRUE(Bar().DisconnectButton->isEnabled());
    EXPECT_FALSE(Bar().ConnectButton->isEnabled());
    EXPECT_TRUE(ReceiveListHas(LinkLostNote(false)));

    const size_t writesBefore = ExecutedWrites();
    const int reads = Page().ParamsReadCount;
    StartSim();
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->IsConnected(); }, kPatience));
    ASSERT_TRUE(WaitUntil([&] { return Page().ParamsReadCount > reads; }, kPatience))
        << "versions read again";
    Bar().RefreshStatus();
    EXPECT_FALSE(Bar().Reconnecting());
    EXPECT_EQ(Bar().StatusLabel->text(), "Connect");
    EXPECT_EQ(Bar().HwVersionLabel->text(), "H/W Ver : 12.0.01");
    EXPECT_EQ(Bar().DisconnectButton->text(), "DisConnect");
    EXPECT_FALSE(Bar().ConnectButton->isEnabled());
    const std::string note = ReconnectedNote(app->Link()->ReconnectAttempts(), false);
    EXPECT_TRUE(WaitUntil([&] { return ReceiveListHas(note); }, 1s)) << note;

    // Polling goes on; nothing the program had in flight or queued is sent again.
    const uint32_t ok = app->Link()->Counters().StateOk;
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->Counters().StateOk > ok + 10; }, kPatience));
    EXPECT_EQ(ExecutedWrites(), writesBefore);
    EXPECT_FALSE(app->Repeat()->Sequence().Status().Repeating);
    EXPECT_EQ(shown.Boxes.size(), 1u);
}

TEST_F(ReconnectDrill, StopEndsTheTriesAndADriveThatComesBackIsLeftAlone) {
    StartSim();
    Start();
    ReconnectOn();
    Connect();
    PullTheCable();
    ASSERT_TRUE(WaitUntil([&] { return Bar().Reconnecting(); }, 30s));
    Bar().DisconnectButton->click(); // "Stop"
    EXPECT_FALSE(Bar().Reconnecting());
    EXPECT_EQ(app->Link()->IsReconnecting(), 0);
    EXPECT_TRUE(Bar().ConnectButton->isEnabled());
    EXPECT_FALSE(Bar().DisconnectButton->isEnabled());
    EXPECT_EQ(Bar().DisconnectButton->text(), "DisConnect");
    Bar().RefreshStatus();
    EXPECT_EQ(Bar().StatusLabel->text(), "Disconnect");

    StartSim();
    const auto settle = std::chrono::steady_clock::now() + 2500ms;
    WaitUntil([&] { return std::chrono::steady_clock::now() > settle; }, 3s);
    EXPECT_FALSE(app->Link()->IsConnected());
    Connect(); // the user's own Connect still works
    EXPECT_EQ(shown.Boxes.size(), 1u);
}

TEST_F(ReconnectDrill, AStoreCutByTheFaultNamesTheParameterAndIsNotResumedAfterTheReconnect) {
    StartSim();
    Start();
    ReconnectOn();
    Connect();
    CDlgParameter& page = Page();
    page.WorkingCopy().StoreEdited(13, page.WorkingCopy().Values()[13] + 1);
    SaveAllCutByASilentDrive(page);
    ASSERT_GE(shown.Boxes.size(), 2u);
    EXPECT_TRUE(
        std::regex_search(shown.Boxes[1].text, std::regex(R"(Parameters No\.\[\d+\] during storage)")))
        << shown.Boxes[1].text;
    const size_t writesAtTheCut = ExecutedWrites();

    // The watchdog gives up on the silent drive; it answers again and the program reconnects.
    ASSERT_TRUE(WaitUntil([&] { return Bar().Reconnecting(); }, 30s));
    Fault("silent off");
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->IsConnected(); }, kPatience));
    const uint32_t ok = app->Link()->Counters().StateOk;
    ASSERT_TRUE(WaitUntil([&] { return app->Link()->Counters().StateOk > ok + 10; }, kPatience));
    EXPECT_EQ(ExecutedWrites(), writesAtTheCut) << "no parameter write after the one that failed";
    EXPECT_FALSE(fs::exists(StateFile())) << "no store command";
    EXPECT_TRUE(page.SaveAllButton->isEnabled());
}

} // namespace
} // namespace velt::test
