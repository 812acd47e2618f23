// The serial settings window's port list with the machine's devices, and the
// Find Drive window, against simulated drives published as COM3.
#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "app/FindDriveDialog.h"
#include "app/LineDrives.h"
#include "app/SerialSettings.h"
#include "link/CDriveLink.h"
#include "link/LinkTexts.h"
#include "link/ScanTexts.h"
#include "params/ParamFolders.h"
#include "platform/UserSettings.h"
#include "tests/support/ShellFixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

#include <filesystem>
#include <random>

namespace velt {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Far more than the searches here take; only a hang runs into it.
constexpr auto kSearchLimit = 60s;

class FindDriveTest : public ShellTest {
protected:
    // The drive on COM3 at its own rate and ID, answering with line timing.
    void StartDriveAt(uint32_t baud, uint8_t id) {
        sim::SimOptions options;
        options.comNumber = 3;
        options.baud = baud;
        options.id = id;
        options.wireTiming = true;
        drive = std::make_unique<sim::SimDrive>(options);
        std::string error;
        ASSERT_TRUE(drive->Start(&error)) << error;
    }
    bool SearchEnded() {
        return WaitUntil([this] { return !app->ComSetting()->FindDrive->IsSearching(); }, kSearchLimit);
    }
};

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface != nullptr ? iface->text(QAccessible::Name) : QString();
}

TEST_F(FindDriveTest, FindsTheDriveAtItsRateAndIdAndUseFillsTheSettingsForConnect) {
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    const uint32_t rates[] = {9600, 19200, 38400, 57600, 115200};
    const uint32_t baud = rates[random() % 5];
    const auto id = static_cast<uint8_t>(2 + random() % 246);
    SCOPED_TRACE("seed " + std::to_string(seed) + ": " + std::to_string(baud) + " bit/s, ID " +
                 std::to_string(id));
    StartDriveAt(baud, id);
    // The ID last used is tried at every rate early on.
    ASSERT_TRUE(WriteUserSetting(kSettingsKey, "LastDriveId", std::to_string(id)));
    Start();
    CDlgComSetting& settings = *app->ComSetting();
    settings.show();
    settings.FindDriveButton->click();
    FindDriveDialog& find = *settings.FindDrive;
    EXPECT_TRUE(find.isVisible());
    EXPECT_EQ(find.PortValue->text(), "COM3");
    find.StartButton->click();
    EXPECT_FALSE(find.StartButton->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return !find.FoundDrives().empty(); }, kSearchLimit));
    // The search goes on after the find, so the rate and ID shown may already
    // be those of a later probe than LastStatus() gave a moment ago.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+ bit/s, ID \\d+ - 1 found$"))
                    .match(find.Progress->format())
                    .hasMatch())
        << find.Progress->format().toStdString();
    ASSERT_EQ(find.Results->rowCount(), 1);
    EXPECT_EQ(find.Results->item(0, 0)->text(), "COM3");
    EXPECT_EQ(find.Results->item(0, 1)->text(), QString::number(baud));
    EXPECT_EQ(find.Results->item(0, 2)->text(), QString::number(id));
    EXPECT_EQ(find.Results->item(0, 3)->text(), "12.0.01");
    EXPECT_TRUE(find.UseButton->isEnabled());

    find.UseButton->click();
    EXPECT_FALSE(find.isVisible());
    EXPECT_FALSE(find.IsSearching()) << "the search lets go of the port for the connect";
    EXPECT_EQ(settings.Settings().Values().PortNumber, 3);
    EXPECT_EQ(settings.Settings().Values().BaudRate, static_cast<int32_t>(baud));
    EXPECT_EQ(settings.Settings().SettingsDriveId(), id);
    EXPECT_EQ(settings.BaudList->currentText(), QString::number(baud));
    EXPECT_EQ(settings.DriveIdEdit->text(), QString::number(id));
    EXPECT_EQ(drive->WriteRequests(), 0u);
    // The search's result kept as the line's drives.
    ASSERT_TRUE(find.KeepButton->isEnabled());
    find.KeepButton->click();
    EXPECT_EQ(app->Drives()->Of("COM3"), (std::vector<LineDrive>{{id, ""}}));
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0], "Kept as the drives of COM3: " + std::to_string(id));
    messages.Texts.clear();

    app->MenuBar()->ConnectDrive();
    EXPECT_TRUE(messages.Texts.empty()) << messages.Texts.front();
    EXPECT_TRUE(app->Link()->IsConnected());
    EXPECT_EQ(ReadUserSetting(kSettingsKey, "LastDriveId"), std::to_string(id));
}

TEST_F(FindDriveTest, ACancelledSearchLeavesTheSettingsAsTheyWere) {
    StartDriveAt(9600, 200); // found only near the end
    Start();
    CDlgComSetting& settings = *app->ComSetting();
    settings.FindDriveButton->click();
    FindDriveDialog& find = *settings.FindDrive;
    find.StartButton->click();
    ASSERT_TRUE(WaitUntil([&] { return find.LastStatus().Done >= 15; }, kSearchLimit));
    EXPECT_TRUE(find.CancelButton->isEnabled());
    find.CancelButton->click();
    ASSERT_TRUE(SearchEnded());
    find.Refresh();
    EXPECT_EQ(find.StatusText->text(), "Cancelled: 0 found");
    EXPECT_EQ(find.Results->rowCount(), 0);
    EXPECT_TRUE(find.StartButton->isEnabled());
    EXPECT_FALSE(find.UseButton->isEnabled());

    EXPECT_EQ(settings.Settings().Values().PortNumber, 3);
    EXPECT_EQ(settings.Settings().Values().BaudRate, 9600);
    EXPECT_EQ(settings.Settings().SettingsDriveId(), 1);
    EXPECT_TRUE(settings.Settings().Values().PortName.empty());
    EXPECT_EQ(settings.PortList->currentText(), "COM3");
    EXPECT_EQ(settings.BaudList->currentText(), "9600");
    EXPECT_EQ(settings.DriveIdEdit->text(), "1");
    EXPECT_FALSE(ReadUserSetting(kSettingsKey, "Port").has_value()) << "nothing taken, nothing remembered";
    EXPECT_EQ(drive->WriteRequests(), 0u);

    // Closing the window while a search runs stops it as well.
    find.StartButton->click();
    ASSERT_TRUE(find.IsSearching());
    find.CloseButton->click();
    EXPECT_FALSE(find.isVisible());
    EXPECT_TRUE(SearchEnded());
}

TEST_F(FindDriveTest, NoSearchWhileConnectedTheLinkHoldsThePort) {
    StartDriveAt(9600, 1);
    Start();
    app->MenuBar()->ConnectDrive();
    ASSERT_TRUE(app->Link()->IsConnected());
    app->ComSetting()->FindDriveButton->click();
    app->ComSetting()->FindDrive->StartButton->click();
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0], kScanNeedsPort.En);
    EXPECT_FALSE(app->ComSetting()->FindDrive->IsSearching());
}

TEST_F(FindDriveTest, ConnectStopsARunningSearchAndTakesThePort) {
    StartDriveAt(9600, 1);
    Start();
    FindDriveDialog& find = *app->ComSetting()->FindDrive;
    app->ComSetting()->FindDriveButton->click();
    find.StartButton->click();
    ASSERT_TRUE(WaitUntil([&] { return !find.FoundDrives().empty(); }, kSearchLimit)) << "the settings first";
    ASSERT_TRUE(find.IsSearching()) << "the search goes on over the other rates and IDs";
    app->MenuBar()->ConnectDrive();
    EXPECT_FALSE(find.IsSearching());
    EXPECT_TRUE(messages.Texts.empty()) << messages.Texts.front();
    EXPECT_TRUE(app->Link()->IsConnected());
}

TEST_F(FindDriveTest, TheNewControlsAreNamedForScreenReadersInKorean) {
    Start(1);
    CDlgComSetting& s = *app->ComSetting();
    EXPECT_EQ(AccessibleName(s.RefreshButton), QString::fromUtf8("새로 고침"));
    EXPECT_EQ(AccessibleName(s.FindDriveButton), QString::fromUtf8("드라이브 찾기..."));
    FindDriveDialog& f = *s.FindDrive;
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("드라이브 찾기"));
    EXPECT_EQ(AccessibleName(f.PortValue), QString::fromUtf8("포트"));
    EXPECT_EQ(AccessibleName(f.AllPortsCheck), QString::fromUtf8("모든 포트"));
    EXPECT_EQ(AccessibleName(f.StartButton), QString::fromUtf8("찾기 시작"));
    EXPECT_EQ(AccessibleName(f.CancelButton), QString::fromUtf8("취소"));
    EXPECT_EQ(AccessibleName(f.UseButton), QString::fromUtf8("이 드라이브 사용"));
    EXPECT_EQ(AccessibleName(f.CloseButton), QString::fromUtf8("닫기"));
    EXPECT_EQ(AccessibleName(f.Progress), QString::fromUtf8("진행"));
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(f.Results);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    EXPECT_EQ(table->text(QAccessible::Name), QString::fromUtf8("찾은 드라이브"));
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_EQ(table->tableInterface()->columnCount(), 5);
    EXPECT_EQ(f.Results->horizontalHeaderItem(1)->text(), QString::fromUtf8("통신 속도"));
}

// A demonstration starts at the defaults so that Connect reaches the demo
// drive, and leaves the user's remembered port alone.
TEST_F(FindDriveTest, ADemonstrationNeitherTakesNorReplacesTheRememberedPort) {
    ASSERT_TRUE(WriteUserSetting(kSettingsKey, "Port", "COM7"));
    AppOptions options;
    options.Lang = 0;
    options.Demo = true;
    app = StartApplication(options);
    ASSERT_NE(app, nullptr);
    CDlgComSetting& s = *app->ComSetting();
    EXPECT_EQ(s.PortList->currentText(), "COM3");
    EXPECT_EQ(s.Settings().Values().PortNumber, 3);
    s.PortList->setCurrentIndex(4);
    s.OnOk();
    EXPECT_EQ(ReadUserSetting(kSettingsKey, "Port"), "COM7");

    app.reset();
    Start();
    EXPECT_EQ(app->ComSetting()->PortList->currentText(), "COM7") << "an ordinary start chooses it again";
    EXPECT_EQ(app->Settings()->Values().PortNumber, 7);
}

// A device root of the test's own with a by-id name for the drive's
// terminal, as udev makes one for a USB adapter.
class PortListTest : public FindDriveTest {
protected:
    void SetUp() override {
        FindDriveTest::SetUp();
        root_ = fs::temp_directory_path() / ("velt-gui-devices-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "dev/serial/by-id");
        if (const char* old = std::getenv("VELT_DEVICE_ROOT")) oldRoot_ = old;
        ::setenv("VELT_DEVICE_ROOT", root_.c_str(), 1);
    }
    void TearDown() override {
        FindDriveTest::TearDown();
        ::setenv("VELT_DEVICE_ROOT", oldRoot_.c_str(), 1);
        fs::remove_all(root_);
    }
    fs::path Plug() {
        const fs::path link = root_ / "dev/serial/by-id/usb-VELT_USB_Link_0042-if00-port0";
        fs::create_symlink(drive->DevicePath(), link);
        return link;
    }
    fs::path root_;
    std::string oldRoot_;
};

TEST_F(PortListTest, ADeviceIsChosenByItsNameRememberedAndShownWhenUnplugged) {
    StartDriveAt(9600, 1);
    const fs::path byId = Plug();
    const std::string pts = fs::path(drive->DevicePath()).filename().string();
    Start();
    CDlgComSetting& s = *app->ComSetting();
    ASSERT_EQ(s.PortList->count(), 31);
    EXPECT_EQ(s.PortList->itemText(30), QString::fromStdString(pts + ": VELT USB Link 0042"));
    EXPECT_EQ(s.PortList->itemData(30, Qt::ToolTipRole).toString(),
              QString::fromStdString(drive->DevicePath()));
    s.PortList->setCurrentIndex(30);
    s.OnOk();
    EXPECT_EQ(s.Settings().Values().PortName, byId.string());
    EXPECT_EQ(s.Settings().Values().PortNumber, 3) << "kept for a later COM choice";
    app->MenuBar()->ConnectDrive();
    EXPECT_TRUE(messages.Texts.empty()) << messages.Texts.front();
    EXPECT_TRUE(app->Link()->IsConnected());
    app->MenuBar()->RefreshStatus();
    EXPECT_EQ(app->MenuBar()->PortText->text(), QString::fromStdString(pts + ", 9600, 8, 0, 1"));
    app->MenuBar()->DisconnectDrive();

    // The next start chooses it again; unplugged, it stays on the list as
    // such, and a connect says what happened.
    app.reset();
    fs::remove(byId);
    Start();
    CDlgComSetting& again = *app->ComSetting();
    EXPECT_EQ(again.Settings().Values().PortName, byId.string());
    ASSERT_EQ(again.PortList->count(), 31);
    EXPECT_EQ(again.PortList->currentIndex(), 30);
    EXPECT_EQ(again.PortList->currentText(), QString::fromStdString(byId.string() + ": (not present)"));
    app->MenuBar()->ConnectDrive();
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0], std::string(kPortOpenFail.En) + "\r\nNo such device: " + byId.string() +
                                     ". Is the adapter unplugged?");

    // Plugged in again while the window is open: Refresh lists it.
    Plug();
    again.RefreshButton->click();
    EXPECT_EQ(again.PortList->currentIndex(), 30);
    EXPECT_EQ(again.PortList->currentText(), QString::fromStdString(pts + ": VELT USB Link 0042"));
    app->MenuBar()->ConnectDrive();
    EXPECT_EQ(messages.Texts.size(), 1u);
    EXPECT_TRUE(app->Link()->IsConnected());

    // Choosing a COM port again is remembered too.
    again.PortList->setCurrentIndex(4);
    again.OnOk();
    EXPECT_TRUE(again.Settings().Values().PortName.empty());
    EXPECT_EQ(ReadUserSetting(kSettingsKey, "Port"), "COM5");
}

} // namespace
} // namespace velt
