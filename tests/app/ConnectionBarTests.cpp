#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "app/CMainFrame.h"
#include "app/LineDrives.h"
#include "app/SerialSettings.h"
#include "app/ShellTexts.h"
#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "link/LinkTexts.h"
#include "monitor/CDlgRTUMonitoring.h"
#include "params/CDlgParameter.h"
#include "params/SaveSequence.h"
#include "platform/PortsFolder.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"
#include "tests/support/ShellFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace velt {
namespace {

using ConnectionBarTest = ShellTest;

bool PortOpen(const CVELT_HostApp& app) {
    return app.Link()->Status().PortOpen;
}

void ExpectConnectEnabled(const CDlgMenuBar& bar, bool connectEnabled) {
    EXPECT_EQ(bar.ConnectButton->isEnabled(), connectEnabled);
    EXPECT_EQ(bar.DisconnectButton->isEnabled(), !connectEnabled);
}

TEST_F(ConnectionBarTest, ConnectShowsTheDriveAndDisconnectReturnsToTheDisconnectedLook) {
    StartDrive();
    drive->SetHolding(drive::SoftwareVersionRegister, 12003);
    Start();
    CDlgMenuBar& bar = *app->MenuBar();
    bar.ConnectButton->click();
    EXPECT_TRUE(messages.Texts.empty());
    EXPECT_TRUE(app->Link()->IsConnected());
    ExpectConnectEnabled(bar, false);
    EXPECT_TRUE(WaitUntil([this] { return app->Parameter()->ParamsReadCount > 0; }));
    EXPECT_EQ(app->Parameter()->WorkingCopy().Value(drive::HardwareVersionRegister), 12001);

    bar.RefreshStatus();
    EXPECT_EQ(bar.StatusLabel->text(), "Connect");
    EXPECT_EQ(bar.StatusLabel->BkColour(), QColor(0, 128, 0));
    EXPECT_EQ(bar.StatusLabel->TextColour(), QColor(Qt::white));
    EXPECT_EQ(bar.HwVersionLabel->text(), "H/W Ver : 12.0.01");
    EXPECT_EQ(bar.HwVersionLabel->TextColour(), QColor(255, 0, 0));
    EXPECT_EQ(bar.SwVersionLabel->text(), "S/W Ver : 12.0.03");
    EXPECT_EQ(bar.SwVersionLabel->TextColour(), QColor(0, 0, 255));
    EXPECT_EQ(bar.PortText->text(), "COM3, 9600, 8, 0, 1");
    EXPECT_EQ(bar.DriveIdText->text(), "Drive ID : 1");
    EXPECT_TRUE(WaitUntil([this] { return app->RtuMonitor()->CounterText(0) != "0"; }));

    bar.DisconnectButton->click();
    ExpectConnectEnabled(bar, true);
    EXPECT_FALSE(app->Link()->IsConnected());
    EXPECT_FALSE(PortOpen(*app));
    bar.RefreshStatus();
    EXPECT_EQ(bar.StatusLabel->text(), "Disconnect");
    EXPECT_EQ(bar.StatusLabel->BkColour(), QColor(50, 50, 50));
    EXPECT_EQ(bar.HwVersionLabel->text(), "H/W Ver : 00.0.00");
    EXPECT_TRUE(WaitUntil([this] {
        for (int c = 0; c < CDlgRTUMonitoring::kColumns; ++c) {
            if (app->RtuMonitor()->CounterText(c) != "0") return false;
        }
        return true;
    }));
    EXPECT_TRUE(messages.Texts.empty());
}

TEST_F(ConnectionBarTest, AWrongDriveIdEndsInTheReadFailMessageWithThePortClosed) {
    StartDrive();
    Start();
    app->ComSetting()->DriveIdEdit->setText("7");
    app->ComSetting()->OnOk();
    messages.OnShow = [this] { EXPECT_TRUE(app->MenuBar()->ConnectButton->isEnabled()); };
    app->MenuBar()->ConnectDrive();
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0], kAllParamReadFail.En);
    EXPECT_FALSE(app->Link()->IsConnected());
    ExpectConnectEnabled(*app->MenuBar(), true);
    EXPECT_TRUE(WaitUntil([this] { return !PortOpen(*app); }, std::chrono::milliseconds(1000)));
}

// The parameter page's values belong to the drive they were read from: a
// change of drive ID asks first, and they are never stored into another.
TEST_F(ConnectionBarTest, AnotherDriveIdAsksForTheUnstoredValuesWhichNeverReachAnotherDrive) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("velt-drive-change-" + std::to_string(::getpid()));
    ::setenv("VELT_PARAMETER_DIR", folder.c_str(), 1);
    StartDrive();
    Start();
    app->MenuBar()->ConnectButton->click();
    ASSERT_TRUE(WaitUntil([this] { return app->Parameter()->ParamsReadCount > 0; }));
    ParamWorkingCopy& copy = app->Parameter()->WorkingCopy();
    constexpr int kGain = 13;
    const int16_t edited = static_cast<int16_t>(copy.Value(kGain) + 1);
    copy.StoreEdited(kGain, edited);
    CDlgComSetting& settings = *app->ComSetting();

    messages.Answers = {MsgResult::Cancel}; // stay
    settings.DriveIdEdit->setText("2");
    settings.OnOk();
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_NE(messages.Texts[0].find("values for drive 1 that are not stored"), std::string::npos);
    EXPECT_EQ(app->Settings()->SettingsDriveId(), 1);
    EXPECT_EQ(drive->Holding(kGain), static_cast<uint16_t>(copy.Value(kGain) - 1));

    messages.Answers = {MsgResult::Yes}; // store in drive 1, then change
    settings.OnOk();
    EXPECT_EQ(drive->Holding(kGain), static_cast<uint16_t>(edited));
    EXPECT_EQ(app->Settings()->SettingsDriveId(), 2);
    ASSERT_TRUE(WaitUntil([this] { return app->Link()->DriveId() == 2; }));

    // Drive 2 does not answer: the page keeps drive 1's values, which a store
    // must not send to drive 2.
    copy.StoreEdited(kGain, edited + 1);
    drive->ClearRequests();
    messages.Texts.clear();
    app->Parameter()->SaveAllParameters();
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0], OtherDriveText(1, 2, false));
    for (const sim::SimRequest& r : drive->Requests())
        EXPECT_NE(r.function, drive::FunctionWriteSingleRegister);
    app.reset();
    ::unsetenv("VELT_PARAMETER_DIR");
    std::filesystem::remove_all(folder);
}

// Two drives on one line, the second named by the user: the bar's drive
// choice switches in one step, and what ran on drive 1 stops there, saying
// why, while the titles follow the drive shown.
TEST_F(ConnectionBarTest, TheDriveChoiceSwitchesAndStopsTheScopeAndTheCycleOfTheDriveLeft) {
    sim::SimOptions options;
    options.comNumber = 3;
    options.ids = {1, 2};
    drive = std::make_unique<sim::SimDrive>(options);
    ASSERT_TRUE(drive->Start());
    Start();
    CDlgMenuBar& bar = *app->MenuBar();
    bar.RefreshStatus();
    EXPECT_FALSE(bar.DriveChoice->isVisibleTo(&bar)); // no line kept: the bar as before
    EXPECT_TRUE(app->Drives()->Merge("COM3", {1, 2}));
    EXPECT_TRUE(app->Drives()->SetName("COM3", 2, " X axis\t"));
    bar.RefreshStatus();
    ASSERT_TRUE(bar.DriveChoice->isVisibleTo(&bar));
    ASSERT_GE(bar.DriveChoice->count(), 2);
    EXPECT_EQ(bar.DriveChoice->currentText(), "ID 1");
    EXPECT_EQ(bar.DriveChoice->itemText(1), "ID 2  X axis");

    bar.ConnectButton->click();
    ASSERT_TRUE(WaitUntil([this] { return app->Parameter()->ParamsReadCount > 0; }));
    app->Link()->WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn));
    ASSERT_TRUE(WaitUntil(
        [this] { return (app->Link()->StateRegs()[drive::StateStatus] & drive::StatusServoOn) != 0; }));
    CDlgScope& scope = *app->Scope(0);
    bar.ScopeButton->click();
    scope.RunStopButton->click();
    ASSERT_EQ(scope.RunState(), 1);
    CDlgRepeat& repeat = *app->Repeat();
    repeat.StartButton->click();
    ASSERT_TRUE(repeat.Sequence().Status().Repeating);
    drive->ClearRequests();

    const int reads = app->Parameter()->ParamsReadCount;
    bar.OnDriveChosen(1);
    EXPECT_EQ(app->Settings()->SettingsDriveId(), 2);
    EXPECT_EQ(scope.RunState(), 0);
    EXPECT_EQ(scope.TriggerStateLabel->text(), "Stopped: switched to drive 2");
    EXPECT_FALSE(repeat.Sequence().Status().Repeating);
    EXPECT_EQ(scope.windowTitle(), QString::fromUtf8("Scope \u2014 drive 2 X axis"));
    EXPECT_EQ(scope.Chart->CsvText().rfind("# drive 2 X axis\r\n", 0), 0u); // an export names its drive
    EXPECT_EQ(repeat.windowTitle(),
              QString::fromUtf8("Repeat - Stopped: switched to drive 2 \u2014 drive 2 X axis"));
    EXPECT_EQ(bar.DriveChoice->currentText(), "ID 2  X axis");
    EXPECT_EQ(bar.DriveIdText->text(), "Drive ID : 2  X axis");
    // The cycle's STOP went to the drive that moved, before the link left it.
    bool stopToDrive1 = false;
    for (const sim::SimRequest& r : drive->Requests())
        if (r.function == drive::FunctionWriteSingleRegister && r.address == drive::CommandRegister)
            stopToDrive1 = stopToDrive1 || r.slave == 1;
    EXPECT_TRUE(stopToDrive1);
    ASSERT_TRUE(WaitUntil([this] { return app->Link()->DriveId() == 2; }));
    ASSERT_TRUE(WaitUntil([&] { return app->Parameter()->ParamsReadCount > reads; }));
    EXPECT_EQ(app->Parameter()->WorkingCopy().DriveId(), 2);
    EXPECT_EQ(LineDrives(true).NameOf("COM3", 2), "X axis"); // kept for the next start
}

TEST_F(ConnectionBarTest, DriveIdZeroSendsOneBroadcastAndFailsTheRead) {
    StartDrive();
    Start();
    app->ComSetting()->DriveIdEdit->setText("0");
    app->ComSetting()->OnOk();
    drive->ClearRequests();
    app->MenuBar()->ConnectDrive();
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0], kAllParamReadFail.En);
    EXPECT_TRUE(WaitUntil([this] { return !PortOpen(*app); }, std::chrono::milliseconds(1000)));
    const std::vector<sim::SimRequest> requests = drive->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].slave, 0);
    EXPECT_EQ(requests[0].function, 3);
}

TEST_F(ConnectionBarTest, APortHeldByAnotherProgramShowsPortOpenFail) {
    StartDrive();
    const int fd = ::open(drive->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    Start(1);
    app->MenuBar()->ConnectDrive();
    ::close(fd);
    ASSERT_EQ(messages.Texts.size(), 1u);
    // The second line names the holder: this very process holds the lock.
    const std::string expected = std::string(kPortOpenFail.Ko) + "\r\n다른 프로그램이 사용 중입니다: ";
    EXPECT_EQ(messages.Texts[0].rfind(expected, 0), 0u) << messages.Texts[0];
    EXPECT_NE(messages.Texts[0].find("(프로세스 " + std::to_string(::getpid()) + ")"), std::string::npos)
        << messages.Texts[0];
    EXPECT_FALSE(app->Link()->IsConnected());
    ExpectConnectEnabled(*app->MenuBar(), true);
}

TEST_F(ConnectionBarTest, APortWithoutADeviceShowsPortOpenFailAndAnotherPortWorksAfterwards) {
    StartDrive();
    { std::ofstream(PortsFolder() / "COM29") << "/nonexistent/velt-tty\n"; }
    Start();
    app->ComSetting()->PortList->setCurrentIndex(28);
    app->ComSetting()->OnOk();
    ASSERT_EQ(app->Settings()->Values().PortNumber, 29);
    app->MenuBar()->ConnectDrive();
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0], std::string(kPortOpenFail.En) +
                                     "\r\nNo such device: /nonexistent/velt-tty. Is the adapter unplugged?");
    ExpectConnectEnabled(*app->MenuBar(), true);

    app->ComSetting()->PortList->setCurrentIndex(2);
    app->ComSetting()->OnOk();
    app->MenuBar()->ConnectDrive();
    EXPECT_EQ(messages.Texts.size(), 1u);
    EXPECT_TRUE(app->Link()->IsConnected());
    std::filesystem::remove(PortsFolder() / "COM29");
}

TEST_F(ConnectionBarTest, DisconnectWhileNotConnectedChangesNothing) {
    Start();
    app->MenuBar()->DisconnectDrive();
    EXPECT_TRUE(app->MenuBar()->ConnectButton->isEnabled());
    EXPECT_TRUE(app->MenuBar()->DisconnectButton->isEnabled());
    EXPECT_FALSE(app->Link()->IsConnected());
    EXPECT_TRUE(messages.Texts.empty());
}

TEST_F(ConnectionBarTest, TheWatchdogDisconnectsASilentDriveAndTellsTheUserOnce) {
    StartDrive();
    Start();
    app->MenuBar()->ConnectDrive();
    ASSERT_TRUE(app->Link()->IsConnected());

    // Five timed-out state polls of about 1.07 s each, plus two bit reads:
    // the one real time-out wait of this suite.
    drive->SetSilent(true);
    bool repeatedInsideTheBox = false;
    messages.OnShow = [this, &repeatedInsideTheBox] {
        app->RtuMonitor()->OnTimer(); // timers keep running while the box is open
        repeatedInsideTheBox = messages.Texts.size() > 1;
    };
    EXPECT_TRUE(WaitUntil([this] { return !messages.Texts.empty(); }, std::chrono::seconds(20)));
    EXPECT_EQ(messages.Texts.size(), 1u);
    EXPECT_FALSE(repeatedInsideTheBox);
    EXPECT_EQ(messages.Texts[0], kDriverNoResponse.En);
    EXPECT_FALSE(app->Link()->IsConnected());
    ExpectConnectEnabled(*app->MenuBar(), true);
}

// With "Reconnect automatically" on, the watchdog goes on watching while its
// message box waits for an answer: the drive answers again, the program
// reconnects, the drive falls silent again, and the program disconnects and
// tries again, all behind the one box.
TEST_F(ConnectionBarTest, TheWatchdogKeepsWatchingWhileItsBoxIsOpen) {
    StartDrive();
    Start();
    app->Settings()->SetReconnect(true);
    app->MenuBar()->ConnectDrive();
    ASSERT_TRUE(app->Link()->IsConnected());
    bool again = false;
    messages.OnShow = [this, &again] {
        if (messages.Texts.size() > 1) return;
        EXPECT_TRUE(app->MenuBar()->Reconnecting());
        drive->SetSilent(false);
        if (!WaitUntil([this] { return !app->MenuBar()->Reconnecting(); }, std::chrono::seconds(10))) return;
        EXPECT_TRUE(app->Link()->IsConnected());
        EXPECT_EQ(app->Link()->Reconnects(), 1u);
        drive->SetSilent(true);
        again = WaitUntil([this] { return app->MenuBar()->Reconnecting() && !app->Link()->IsConnected(); },
                          std::chrono::seconds(20));
    };
    drive->SetSilent(true);
    EXPECT_TRUE(WaitUntil([this] { return !messages.Texts.empty(); }, std::chrono::seconds(20)));
    EXPECT_TRUE(again) << "the second silence was seen while the first box was open";
    EXPECT_EQ(messages.Texts.size(), 1u);
    drive->SetSilent(false);
    EXPECT_TRUE(WaitUntil([this] { return app->Link()->Reconnects() == 2; }, std::chrono::seconds(10)));
}

TEST_F(ConnectionBarTest, ClosingTheFrameDuringADisconnectWaitsForTheSequence) {
    StartDrive();
    Start();
    app->MenuBar()->ConnectDrive();
    ASSERT_TRUE(app->Link()->IsConnected());
    bool closeAccepted = true;
    QMetaObject::invokeMethod(
        app->MainFrame(), [this, &closeAccepted] { closeAccepted = app->MainFrame()->close(); },
        Qt::QueuedConnection);
    app->MenuBar()->DisconnectDrive(); // the close arrives inside the 1 s wait
    EXPECT_FALSE(closeAccepted);
    ASSERT_NE(app->MenuBar(), nullptr);
    EXPECT_TRUE(WaitUntil([this] { return app->Link() == nullptr; }));
    EXPECT_FALSE(app->MainFrame()->isVisible());
}

} // namespace
} // namespace velt
