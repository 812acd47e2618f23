#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "app/CMainFrame.h"
#include "app/QtMessageService.h"
#include "app/ShellTexts.h"
#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "controls/CGridCtrl.h"
#include "controls/DialogFont.h"
#include "controls/WaitWithMessages.h"
#include "link/CDriveLink.h"
#include "monitor/CDlgMonitoring.h"
#include "monitor/CDlgRTUMonitoring.h"
#include "monitor/LinkHealthDialog.h"
#include "params/CDlgParameter.h"
#include "params/CDlgSetValDEC.h"
#include "params/CDlgSetValHEX.h"
#include "params/ParamCatalogue.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"
#include "tests/support/ShellFixture.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace velt {
namespace {

using StartupTest = ShellTest;

TEST_F(StartupTest, CreatesEveryWindowInOrderWithItsParentAndTheLinkRunning) {
    Start();
    const std::vector<std::string> order = {
        "CDlgComSetting", "CDlgMenuBar",   "CDlgRTUMonitoring", "CDlgMonitoring",    "CDlgParameter",
        "CDlgSetValDEC",  "CDlgSetValHEX", "CDlgRepeat",        "CDlgScope",         "CDlgScope",
        "CDlgScope",      "CDlgScope",     "LinkHealthDialog",  "LineOverviewDialog"};
    EXPECT_EQ(app->CreationOrder(), order);
    ASSERT_NE(app->Link(), nullptr);
    EXPECT_TRUE(app->Link()->IsRunning());
    EXPECT_FALSE(app->Link()->IsConnected());

    QWidget* frame = app->MainFrame();
    for (QWidget* child : std::initializer_list<QWidget*>{app->MenuBar(), app->RtuMonitor(),
                                                          app->Monitoring(), app->Parameter()}) {
        EXPECT_EQ(child->parentWidget(), frame) << child->objectName().toStdString();
    }
    std::vector<QWidget*> floating = {app->ComSetting(), app->SetValDec(), app->SetValHex(), app->Repeat(),
                                      app->LinkHealth()};
    const auto scopes = app->Scopes();
    floating.insert(floating.end(), scopes.begin(), scopes.end());
    for (QWidget* w : floating) {
        EXPECT_EQ(w->parentWidget(), nullptr) << w->objectName().toStdString();
        EXPECT_TRUE(w->isWindow());
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
        EXPECT_EQ(w->pos(), QPoint(0, 0)) << w->objectName().toStdString();
    }
    EXPECT_EQ(app->Scope(0)->windowTitle(), "Scope");
    EXPECT_EQ(app->Repeat()->windowTitle(), "Repeat");
    EXPECT_EQ(app->SetValDec()->windowTitle(), QString::fromUtf8("파라메터 변경(DEC)"));
    EXPECT_EQ(app->SetValHex()->windowTitle(), QString::fromUtf8("파라메터 변경(HEX)"));
    EXPECT_EQ(app->ComSetting()->windowTitle(), "COM Setting");
    EXPECT_EQ(app->Scope(3)->size(),
              DluSize(716, 324)); // the tuning row under the chart, the step column right

    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle().toStdString(), MainWindowTitle());
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(frame->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(app->MenuBar()->isVisible());
    EXPECT_TRUE(app->RtuMonitor()->isVisible());
    EXPECT_TRUE(app->Monitoring()->isVisible());
    EXPECT_FALSE(app->Parameter()->isVisible());
    EXPECT_FALSE(app->MenuBar()->LoadButton->isVisible());
    EXPECT_FALSE(app->MenuBar()->SaveButton->isVisible());
    EXPECT_TRUE(app->MenuBar()->ScopeButton->isVisible());
    EXPECT_TRUE(app->MenuBar()->ConnectButton->isEnabled());
    EXPECT_TRUE(app->MenuBar()->DisconnectButton->isEnabled());
}

TEST_F(StartupTest, StripsStackWithSixPixelGapsAndTheFrameFollowsTheLayoutMaths) {
    Start();
    const int hbar = DluSize(660, 46).height();
    const int hmon = DluSize(660, 25).height();
    const int hpage = DluSize(660, 337).height();
    const int wmon = DluSize(660, 25).width();
    EXPECT_EQ(app->MenuBar()->height(), hbar);
    EXPECT_EQ(app->MenuBar()->pos(), QPoint(0, 0));
    EXPECT_EQ(app->RtuMonitor()->pos(), QPoint(0, hbar + 6));
    EXPECT_EQ(app->Monitoring()->pos(), QPoint(0, hbar + hmon + 12));
    EXPECT_EQ(app->Parameter()->pos(), app->Monitoring()->pos());
    EXPECT_EQ(app->Layout().Frame.Width, wmon + 13);
    EXPECT_EQ(app->Layout().Frame.Height, hpage + hmon + hbar + 50);
    const PixelSize client = ClientSizeOfFrame(app->Layout().Frame);
    EXPECT_EQ(app->MainFrame()->size(), QSize(client.Width, client.Height));
    EXPECT_GE(client.Height, app->Monitoring()->geometry().bottom());
}

TEST_F(StartupTest, TheLanguageChoiceReachesTheWindows) {
    Start(1);
    EXPECT_TRUE(app->IsKorean());
    EXPECT_EQ(app->ComSetting()->OkButton->text(), QString::fromUtf8("확인"));
    EXPECT_EQ(app->ComSetting()->CancelButton->text(), QString::fromUtf8("취소"));
    app->Monitoring()->UpdateIndicators(); // the drive's values are named in the page's language
    EXPECT_EQ(app->Monitoring()->AlarmLabel->text(), QString::fromUtf8(" 0 : 알람 없음"));
    app.reset();

    Start(0);
    EXPECT_FALSE(app->IsKorean());
    EXPECT_EQ(app->ComSetting()->OkButton->text(), "Ok");
    EXPECT_EQ(app->ComSetting()->CancelButton->text(), "Cancel");
    app->Monitoring()->UpdateIndicators();
    EXPECT_EQ(app->Monitoring()->AlarmLabel->text(), " 0 : Alarm None");
}

TEST_F(StartupTest, RegisterMonitorShowsMergedTitlesInBothLanguagesAndRedFailureCounters) {
    for (int lang : {1, 0}) {
        Start(lang);
        CGridCtrl& grid = *app->RtuMonitor()->RegisterGrid;
        ASSERT_EQ(grid.GetRowCount(), 2);
        ASSERT_EQ(grid.GetColumnCount(), 12);
        EXPECT_EQ(grid.GetFixedRowCount(), 0);
        EXPECT_EQ(grid.GetItemText(0, 0), "STATE_REG");
        EXPECT_EQ(grid.GetItemText(0, 3), "DI_REG");
        EXPECT_EQ(grid.GetItemText(0, 6), "DO_REG");
        EXPECT_EQ(grid.GetItemText(0, 9), "PARAM_REG");
        EXPECT_EQ(grid.CellRect(0, 3).width(), 3 * grid.GetColumnWidth(3)); // one cell over three columns
        EXPECT_TRUE(grid.GetItemState(0, 9) & GVIS_READONLY);
        for (int c = 0; c < 12; ++c) {
            EXPECT_EQ(grid.GetItemText(1, c), "0");
            EXPECT_EQ(grid.GetItemFgColour(1, c) == Rgb(255, 0, 0), c % 3 == 2) << c;
        }
        EXPECT_EQ(grid.GetItemBkColour(0, 6), Rgb(50, 70, 50));
        app.reset();
    }
}

TEST_F(StartupTest, PageButtonsSwapThePagesAndLoadSaveFollowTheParameterPage) {
    Start();
    app->MenuBar()->OnParameter();
    EXPECT_TRUE(app->Parameter()->isVisible());
    EXPECT_FALSE(app->Monitoring()->isVisible());
    EXPECT_TRUE(app->MenuBar()->LoadButton->isVisible());
    EXPECT_TRUE(app->MenuBar()->SaveButton->isVisible());
    app->MenuBar()->OnMonitoring();
    EXPECT_FALSE(app->Parameter()->isVisible());
    EXPECT_TRUE(app->Monitoring()->isVisible());
    EXPECT_FALSE(app->MenuBar()->LoadButton->isVisible());
    EXPECT_FALSE(app->MenuBar()->SaveButton->isVisible());
}

TEST_F(StartupTest, ScopePressedFiveTimesShowsFourWindowsInCreationOrder) {
    Start();
    const auto visible = [this] {
        int n = 0;
        for (CDlgScope* s : app->Scopes())
            n += s->isVisible() ? 1 : 0;
        return n;
    };
    app->MenuBar()->OnScope();
    EXPECT_TRUE(app->Scope(0)->isVisible());
    EXPECT_EQ(visible(), 1);
    for (int i = 0; i < 4; ++i)
        app->MenuBar()->ScopeButton->click();
    EXPECT_EQ(visible(), 4);
    app->Scope(2)->close(); // closing a scope only hides it
    EXPECT_EQ(visible(), 3);
    app->MenuBar()->OnScope();
    EXPECT_TRUE(app->Scope(2)->isVisible());
}

TEST_F(StartupTest, WaitWithMessagesDispatchesOnlyWhenItWaits) {
    Start();
    bool ran = false;
    QMetaObject::invokeMethod(
        app->MainFrame(), [&ran] { ran = true; }, Qt::QueuedConnection);
    WaitWithMessages(0);
    EXPECT_FALSE(ran);
    WaitWithMessages(20);
    EXPECT_TRUE(ran);
}

TEST_F(StartupTest, ACloseArrivingDuringWaitWithMessagesWaitsForTheWaitToEnd) {
    Start();
    bool closeAccepted = true;
    QMetaObject::invokeMethod(
        app->MainFrame(), [this, &closeAccepted] { closeAccepted = app->MainFrame()->close(); },
        Qt::QueuedConnection);
    WaitWithMessages(30); // a page's handler waiting; its windows must outlive the wait
    EXPECT_FALSE(closeAccepted);
    EXPECT_NE(app->Link(), nullptr);
    EXPECT_NE(app->Monitoring(), nullptr);
    EXPECT_TRUE(WaitUntil([this] { return app->Link() == nullptr; }));
    EXPECT_EQ(app->Parameter(), nullptr);
    EXPECT_FALSE(app->MainFrame()->isVisible());
}

TEST_F(StartupTest, ACloseArrivingWhileAMessageBoxIsOpenWaitsForTheBox) {
    Start();
    app->ComSetting()->show();
    app->ComSetting()->activateWindow(); // the box's parent, destroyed by the shutdown
    QtMessageService boxes;
    bool closeAccepted = true;
    QTimer::singleShot(0, app->MainFrame(),
                       [this, &closeAccepted] { closeAccepted = app->MainFrame()->close(); });
    QTimer answer; // the user presses OK once the box is up
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    answer.start(20);
    boxes.Show("Port Open Fail", MsgButtons::Ok);
    answer.stop();
    EXPECT_FALSE(closeAccepted);
    EXPECT_NE(app->ComSetting(), nullptr);
    EXPECT_TRUE(WaitUntil([this] { return app->Link() == nullptr; }));
    EXPECT_EQ(app->ComSetting(), nullptr);
}

TEST_F(StartupTest, ClosingWhileConnectedStopsThePollingBeforeTheWindowsGo) {
    StartDrive();
    Start();
    app->MenuBar()->ConnectDrive();
    ASSERT_TRUE(app->Link()->IsConnected());
    ASSERT_TRUE(messages.Texts.empty());

    bool linkAliveWhenScopesWent = false;
    bool linkGoneWhenSettingsWent = false;
    bool linkGoneWhenMenuBarWent = false;
    QObject::connect(app->Scope(0), &QObject::destroyed,
                     [this, &linkAliveWhenScopesWent] { linkAliveWhenScopesWent = app->Link() != nullptr; });
    QObject::connect(app->ComSetting(), &QObject::destroyed, [this, &linkGoneWhenSettingsWent] {
        linkGoneWhenSettingsWent = app->Link() == nullptr;
    });
    QObject::connect(app->MenuBar(), &QObject::destroyed,
                     [this, &linkGoneWhenMenuBarWent] { linkGoneWhenMenuBarWent = app->Link() == nullptr; });

    EXPECT_TRUE(app->MainFrame()->close());
    EXPECT_TRUE(linkAliveWhenScopesWent);
    EXPECT_TRUE(linkGoneWhenSettingsWent);
    EXPECT_TRUE(linkGoneWhenMenuBarWent);
    EXPECT_EQ(app->Link(), nullptr);
    EXPECT_EQ(app->MenuBar(), nullptr);
    EXPECT_EQ(app->Scope(3), nullptr);

    // Nothing polls any more.
    drive->ClearRequests();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(drive->Requests().empty());
    EXPECT_TRUE(messages.Texts.empty()); // "MainThread timeout!" would show here
}

} // namespace
} // namespace velt
