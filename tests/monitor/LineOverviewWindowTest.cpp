// The line overview window in the whole application against a simulated
// line of three drives: opened from the connection bar with drive 1 in use,
// an alarm raised on drive 3 shown in the alarm colour, a double click
// selecting drive 2 through the settings, and the other drives left unread
// once the window is closed.
#include "PageFixture.h"
#include "app/CDlgComSetting.h"
#include "app/SerialSettings.h"
#include "monitor/LineOverviewDialog.h"
#include "monitor/ValueNames.h"

#include <QAccessible>
#include <QPushButton>
#include <QTableWidget>

namespace velt {
namespace {

using LineOverviewWindowTest = PageTest;

int RowOf(const LineOverviewDialog& w, uint8_t id) {
    for (size_t i = 0; i < w.Rows().size(); ++i)
        if (w.Rows()[i].Id == id) return static_cast<int>(i);
    return -1;
}

TEST_F(LineOverviewWindowTest, ShowsEachDriveOfTheLineAnAlarmInItsColourAndSelectsByDoubleClick) {
    sim::SimOptions line;
    line.comNumber = 3;
    line.ids = {1, 2, 3};
    drive = std::make_unique<sim::SimDrive>(line);
    std::string error;
    ASSERT_TRUE(drive->Start(&error)) << error;
    AppOptions options;
    options.Lang = 0;
    options.DemoIds = {1, 2, 3};
    app = StartApplication(options);
    ASSERT_NE(app, nullptr);
    app->MenuBar()->ConnectDrive();
    ASSERT_TRUE(app->Link()->IsConnected());
    EXPECT_TRUE(app->Link()->LineDrives().empty()) << "no overview reads while the window is closed";

    LineOverviewDialog& overview = *app->LineOverview();
    app->MenuBar()->OverviewButton->click();
    ASSERT_TRUE(overview.isVisible());
    EXPECT_EQ(overview.windowTitle(), "Line overview");
    EXPECT_EQ(app->Link()->LineDrives().size(), 3u);
    QTableWidget& table = *overview.Table;
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&table)->text(QAccessible::Name), "Drives of the line");
    EXPECT_EQ(table.horizontalHeaderItem(3)->text(), "Alarm");

    ASSERT_TRUE(drive->ApplyControlLine("drive 3 alarm 3", &error)) << error;
    ASSERT_TRUE(WaitFor([&] {
        const int row = RowOf(overview, 3);
        return row >= 0 && overview.Rows()[static_cast<size_t>(row)].InAlarm && RowOf(overview, 2) >= 0 &&
               overview.Rows()[static_cast<size_t>(RowOf(overview, 2))].State == "Connected";
    }));
    const int alarmRow = RowOf(overview, 3);
    EXPECT_EQ(table.item(alarmRow, 3)->text().toStdString(), AlarmName(3, false));
    EXPECT_EQ(table.item(alarmRow, 2)->text(), "Connected");
    EXPECT_EQ(table.item(alarmRow, 0)->background().color(), Qrgb(128, 0, 0));
    EXPECT_EQ(table.item(alarmRow, 0)->foreground().color(), Qrgb(255, 255, 255));
    const int first = RowOf(overview, 1);
    EXPECT_TRUE(overview.Rows()[static_cast<size_t>(first)].Selected);
    EXPECT_EQ(table.verticalHeaderItem(first)->text(), "▶");
    EXPECT_NE(table.item(first, 0)->background().color(), Qrgb(128, 0, 0)) << "drive 1 has no alarm";
    EXPECT_EQ(app->Link()->DriveId(), 1);
    EXPECT_EQ(app->Link()->StateRegs()[drive::StateAlarm], 0) << "drive 1's own polls";

    emit table.cellDoubleClicked(RowOf(overview, 2), 0);
    EXPECT_EQ(app->Settings()->SettingsDriveId(), 2);
    EXPECT_EQ(app->ComSetting()->DriveIdEdit->text(), "2");
    ASSERT_TRUE(WaitFor([&] { return app->Link()->DriveId() == 2; }));
    Pump(std::chrono::milliseconds(1100));
    EXPECT_TRUE(overview.Rows()[static_cast<size_t>(RowOf(overview, 2))].Selected);

    overview.close();
    EXPECT_TRUE(app->Link()->LineDrives().empty()) << "closed, the window costs the line nothing";
}

} // namespace
} // namespace velt
