// The scope window's tuning row on its own (offscreen): the trigger
// controls and the level line, the cursors under mouse and keys with their
// read-out, the context menu reached by keyboard and by screen readers, and
// recording, including a full disk while the scope runs.
#include "scope/CDlgScope.h"

#include "TestEnv.h"
#include "base/MessageService.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "scope/ScopeCursors.h"
#include "scope/ScopeExport.h"
#include "sim/SimDrive.h"
#include "tests/support/ShellFixture.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace velt {
namespace {

using namespace std::chrono_literals;

class ScopeTuningTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetMessageService(&messages); }
    void TearDown() override {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        scope.reset();
        COScopeCtrl::SetFileNameHook({});
        SetMessageService(previous_);
    }
    void Open(bool korean = false) {
        scope = std::make_unique<CDlgScope>(link.get(), korean);
        scope->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(scope.get()));
    }
    // Appends to the chart's store, as the ScopeThread would.
    void Append(int n, const std::function<double(int)>& value) {
        for (int i = 0; i < n; ++i)
            scope->Chart->AppendSamples({1, 0, 0, 0}, {value(i), 0, 0, 0});
    }
    void SetBox(QLineEdit* edit, const char* text) {
        edit->setText(QString::fromUtf8(text));
        emit edit->editingFinished();
    }
    QString Description(QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description);
    }
    QString Name(QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); }
    QPoint ChartPoint(double time, double value) {
        const COScopeCtrl& c = *scope->Chart;
        const AxisMap axes(c.PlotRect, c.Ranges());
        return QPoint(int(std::lround(axes.XAt(time))), int(std::lround(axes.YAt(value))));
    }

    // A link polling a simulated drive of its own, for the tests that sample;
    // with `wireTiming` each exchange takes its time on a 9600 bit/s line.
    void ConnectToDrive(bool wireTiming = false) {
        sim::SimOptions options;
        options.publish = false;
        options.wireTiming = wireTiming;
        drive = std::make_unique<sim::SimDrive>(options);
        ASSERT_TRUE(drive->Start());
        link = std::make_unique<CDriveLink>();
        link->StartThread();
        ASSERT_EQ(OpenFailure::None, link->Connect({drive->DevicePath(), 9600}).kind);
        ASSERT_TRUE(WaitUntil([&] { return link->Counters().StateOk > 0; }, 5s));
    }

    RecordingMessages messages;
    std::unique_ptr<sim::SimDrive> drive; // none unless a test makes one
    std::unique_ptr<CDriveLink> link;     // none unless a test makes one
    std::unique_ptr<CDlgScope> scope;

private:
    IMessageService* previous_ = nullptr;
};

TEST_F(ScopeTuningTest, TheTriggerControlsSetTheTriggerAndTheLevelLineAndTellItsState) {
    Open();
    EXPECT_EQ(scope->TriggerModeList->currentText(), "Free run");
    EXPECT_EQ(scope->PreTriggerEdit->text(), "20");
    EXPECT_EQ(scope->Trigger(), TriggerSettings{});
    EXPECT_FALSE(scope->Chart->LevelLine());
    EXPECT_EQ(scope->TriggerStateLabel->text(), "Stopped");

    scope->TriggerModeList->setCurrentIndex(2); // Normal
    scope->TriggerSourceList->setCurrentIndex(1);
    scope->TriggerEdgeList->setCurrentIndex(1);
    SetBox(scope->LevelEdit, "12.5 counts");
    SetBox(scope->PreTriggerEdit, "150");
    SetBox(scope->HoldoffEdit, "-1");
    const TriggerSettings s = scope->Trigger();
    EXPECT_EQ(s.Mode, TriggerMode::Normal);
    EXPECT_EQ(s.Channel, 1);
    EXPECT_EQ(s.Edge, TriggerEdge::Falling);
    EXPECT_EQ(s.Level, 12.5);
    EXPECT_EQ(s.PreTrigger, 1.0);
    EXPECT_EQ(s.HoldoffSeconds, 0.0);
    // The boxes show what is in force.
    EXPECT_EQ(scope->LevelEdit->text(), "12.5");
    EXPECT_EQ(scope->PreTriggerEdit->text(), "100");
    EXPECT_EQ(scope->HoldoffEdit->text(), "0");
    EXPECT_EQ(scope->Chart->LevelLine(), 12.5);

    scope->RunStopButton->click(); // Ch 2 is not ticked: the trigger cannot see its edge
    EXPECT_EQ(scope->TriggerStateLabel->text(), "Armed (Ch 2 off)");
    EXPECT_EQ(Description(scope->TriggerStateLabel), "Armed (Ch 2 off)");
    EXPECT_EQ(Name(scope->TriggerStateLabel), "Trigger state");
    scope->RunStopButton->click();
    scope->ChannelChecks[1]->setChecked(true);
    scope->RunStopButton->click();
    EXPECT_EQ(scope->TriggerStateLabel->text(), "Armed");
    scope->TriggerModeList->setCurrentIndex(0);
    EXPECT_EQ(scope->TriggerStateLabel->text(), "Free running");
    EXPECT_FALSE(scope->Chart->LevelLine());
    scope->RunStopButton->click();

    // The settings stay with the window when it is closed and shown again.
    scope->TriggerModeList->setCurrentIndex(3);
    scope->close();
    scope->show();
    EXPECT_EQ(scope->Trigger().Mode, TriggerMode::Single);
    EXPECT_EQ(scope->Trigger().Level, 12.5);
}

// The level and the holdoff are read as the range boxes are: what is not a
// number, or lies beyond the values the chart can label (a holdoff beyond 0
// .. a day), is refused with the reason and the value in force stays.
TEST_F(ScopeTuningTest, TheLevelAndHoldoffBoxesRefuseWhatIsNotANumberOrOutOfBoundsAndKeepTheValueInForce) {
    Open();
    SetBox(scope->LevelEdit, "12.5");
    SetBox(scope->HoldoffEdit, "2");
    EXPECT_TRUE(messages.Texts.empty());
    SetBox(scope->LevelEdit, "abc");
    SetBox(scope->LevelEdit, "1e400");
    SetBox(scope->HoldoffEdit, "1e400");
    EXPECT_EQ(messages.Texts,
              (std::vector<std::string>{
                  "Level: \"abc\" is not a number.\r\nThe level stays 12.5.",
                  "Level: \"1e400\" lies outside -10000000000 .. 10000000000, the values the chart can "
                  "label.\r\nThe level stays 12.5.",
                  "Holdoff [s]: \"1e400\" lies outside 0 .. 86400, the seconds a holdoff may last.\r\n"
                  "The holdoff stays 2 s."}));
    EXPECT_EQ(scope->Trigger().Level, 12.5);
    EXPECT_EQ(scope->Trigger().HoldoffSeconds, 2.0);
    EXPECT_EQ(scope->LevelEdit->text(), "12.5");
    EXPECT_EQ(scope->HoldoffEdit->text(), "2");

    // Both typed and not yet taken when Run reads them: one message, and the
    // run starts on the values in force.
    messages.Texts.clear();
    scope->LevelEdit->setText("high");
    scope->HoldoffEdit->setText("-1");
    scope->RunStopButton->click();
    EXPECT_EQ(scope->RunState(), 1);
    EXPECT_EQ(messages.Texts, std::vector<std::string>{"Level: \"high\" is not a number.\r\n"
                                                       "Holdoff [s]: \"-1\" lies outside 0 .. 86400, the "
                                                       "seconds a holdoff may last.\r\n"
                                                       "The level stays 12.5.\r\nThe holdoff stays 2 s."});
    EXPECT_EQ(scope->LevelEdit->text(), "12.5");
    EXPECT_EQ(scope->HoldoffEdit->text(), "2");
}

TEST_F(ScopeTuningTest, KoreanTextsForTheTuningRow) {
    Open(true);
    EXPECT_EQ(scope->TriggerModeList->itemText(3), QString::fromUtf8("단일"));
    EXPECT_EQ(scope->TriggerEdgeList->itemText(0), QString::fromUtf8("상승"));
    EXPECT_EQ(scope->RecordButton->text(), QString::fromUtf8("기록..."));
    EXPECT_EQ(scope->CursorsCheck->text(), QString::fromUtf8("커서"));
    EXPECT_EQ(scope->TriggerStateLabel->text(), QString::fromUtf8("정지"));
    EXPECT_EQ(scope->RecordStatusLabel->text(), QString::fromUtf8("기록 안 함"));
    EXPECT_EQ(scope->Chart->ContextMenu()->actions()[1]->text(),
              QString::fromUtf8("커서 구간 CSV 내보내기..."));
    SetBox(scope->HoldoffEdit, "abc");
    EXPECT_EQ(messages.Texts, std::vector<std::string>{"홀드오프 [s]: \"abc\"은(는) 숫자가 아닙니다.\r\n"
                                                       "홀드오프는 0초로 유지됩니다."});
}

TEST_F(ScopeTuningTest, DraggingTheLevelLineSetsTheLevel) {
    Open();
    scope->TriggerModeList->setCurrentIndex(2);
    SetBox(scope->LevelEdit, "1000");
    const QPoint on = ChartPoint(-5, 1000);
    QTest::mousePress(scope->Chart, Qt::LeftButton, {}, on);
    QTest::mouseMove(scope->Chart, ChartPoint(-5, 2500));
    QTest::mouseRelease(scope->Chart, Qt::LeftButton, {}, ChartPoint(-5, 2500));
    EXPECT_NEAR(scope->Trigger().Level, 2500, 40); // within a pixel row (37 units)
    EXPECT_EQ(scope->LevelEdit->text().toDouble(), scope->Trigger().Level);
    EXPECT_EQ(scope->Chart->LevelLine(), scope->Trigger().Level);
}

TEST_F(ScopeTuningTest, CursorsMeasureKnownSamplesAndFollowMouseAndKeys) {
    Open();
    scope->RunStopButton->click();
    scope->RunStopButton->click();
    Append(200, [](int i) { return 10.0 * (i + 1); }); // the newest 2000, 10 less every 50 ms
    scope->Chart->SetTraceNames({"Position", "Speed", "Current", "x"});
    EXPECT_TRUE(scope->CursorReadout->text().isEmpty());
    scope->CursorsCheck->setChecked(true);
    EXPECT_TRUE(scope->Chart->CursorsAction()->isChecked());
    EXPECT_EQ(scope->CursorReadout->text(), "t1 -7.500 s, t2 -2.500 s, Δt 5.000 s, 1/Δt 0.2 Hz\n"
                                            "Position: t1 500, t2 1500, Δ 1000\n"
                                            "v1 2500, v2 -2500, Δv -5000");
    EXPECT_EQ(Description(scope->CursorReadout), scope->CursorReadout->text());
    EXPECT_EQ(Name(scope->CursorReadout), "Cursor readout");

    // A press on the t2 line grabs it; dragging moves it.
    QTest::mousePress(scope->Chart, Qt::LeftButton, {}, ChartPoint(-2.5, 0));
    QTest::mouseMove(scope->Chart, ChartPoint(-1.0, 0));
    QTest::mouseRelease(scope->Chart, Qt::LeftButton, {}, ChartPoint(-1.0, 0));
    ChartCursors c = scope->Chart->Cursors();
    EXPECT_NEAR(c.T2, -1.0, 0.02);
    EXPECT_EQ(c.Active, CursorId::T2);
    // A press away from every line brings the nearer time cursor there.
    QTest::mouseClick(scope->Chart, Qt::LeftButton, {}, ChartPoint(-9.0, 1000));
    EXPECT_NEAR(scope->Chart->Cursors().T1, -9.0, 0.02);

    // Keys: the arrows move the active cursor a pixel, Space picks the next.
    scope->Chart->setFocus();
    c = scope->Chart->Cursors();
    ASSERT_EQ(c.Active, CursorId::T1);
    QTest::keyClick(scope->Chart, Qt::Key_Right);
    QTest::keyClick(scope->Chart, Qt::Key_Right, Qt::ShiftModifier);
    const double pixel = 10.0 / scope->Chart->PlotRect.Width();
    EXPECT_NEAR(scope->Chart->Cursors().T1, c.T1 + 11 * pixel, 1e-9);
    QTest::keyClick(scope->Chart, Qt::Key_Space);
    QTest::keyClick(scope->Chart, Qt::Key_Space);
    EXPECT_EQ(scope->Chart->Cursors().Active, CursorId::V1);
    QTest::keyClick(scope->Chart, Qt::Key_Up);
    EXPECT_GT(scope->Chart->Cursors().V1, 2500);
    EXPECT_NE(scope->CursorReadout->text().indexOf("v1 25"), -1);

    scope->Chart->CursorsAction()->trigger(); // off from the menu
    EXPECT_FALSE(scope->CursorsCheck->isChecked());
    EXPECT_TRUE(scope->CursorReadout->text().isEmpty());
}

TEST_F(ScopeTuningTest, TheMenuOpensFromTheKeyboardAndScreenReadersSeeItAndReachIt) {
    Open();
    scope->RunStopButton->click();
    scope->RunStopButton->click();
    Append(200, [](int i) { return double(i); });
    QMenu* menu = scope->Chart->ContextMenu();
    // The chart takes the focus with Tab like any control.
    EXPECT_EQ(scope->Chart->focusPolicy(), Qt::StrongFocus);
    scope->Chart->setFocus();

    QTest::keyClick(scope->Chart, Qt::Key_Menu);
    ASSERT_TRUE(WaitUntil([&] { return menu->isVisible(); }));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::PopupMenu);
    EXPECT_EQ(a->text(QAccessible::Name), "Chart menu");
    ASSERT_EQ(a->childCount(), 7); // the chart's five, a separator and the window's "Record..."
    EXPECT_EQ(a->child(0)->role(), QAccessible::MenuItem);
    EXPECT_EQ(a->child(0)->text(QAccessible::Name), "Export CSV...");
    EXPECT_EQ(a->child(2)->text(QAccessible::Name), "Save Image...");
    EXPECT_EQ(a->child(4)->text(QAccessible::Name), "Cursors");
    EXPECT_EQ(a->child(6)->text(QAccessible::Name), "Record...");
    // Down to "Save Image..." (the entry between cursors is off) and Return.
    QTemporaryDir dir;
    QString asked;
    COScopeCtrl::SetFileNameHook([&](const QString& caption, const QString&) {
        asked = caption;
        return dir.filePath("picture");
    });
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return !menu->isVisible(); }));
    EXPECT_EQ(asked, "Save Image");
    EXPECT_TRUE(QFile::exists(dir.filePath("picture.png")));

    // Shift+F10 opens it too, and so does the chart's accessible action.
    QTest::keyClick(scope->Chart, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_TRUE(WaitUntil([&] { return menu->isVisible(); }));
    menu->close();
    ASSERT_TRUE(WaitUntil([&] { return !menu->isVisible(); }));
    QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(scope->Chart);
    EXPECT_EQ(chart->role(), QAccessible::Chart);
    ASSERT_NE(chart->actionInterface(), nullptr);
    EXPECT_TRUE(
        chart->actionInterface()->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    chart->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    ASSERT_TRUE(WaitUntil([&] { return menu->isVisible(); }));
    menu->close();
}

TEST_F(ScopeTuningTest, TheCsvBetweenTheCursorsFromTheMenu) {
    Open();
    scope->RunStopButton->click();
    scope->RunStopButton->click();
    Append(200, [](int i) { return double(i); }); // the newest 199 at 0 s
    scope->CursorsCheck->setChecked(true);
    ChartCursors c = scope->Chart->Cursors();
    c.T1 = -0.1;
    c.T2 = -0.2;
    scope->Chart->SetCursors(c);
    QTemporaryDir dir;
    COScopeCtrl::SetFileNameHook([&](const QString&, const QString&) { return dir.filePath("span.csv"); });
    ASSERT_TRUE(scope->Chart->CursorCsvAction()->isEnabled());
    scope->Chart->CursorCsvAction()->trigger();
    QFile file(dir.filePath("span.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "Time [s],Position\r\n-0.20,195\r\n-0.15,196\r\n-0.10,197\r\n");
}

// Recording a drive that falls silent: no sample is made up while it gives
// no data, the window says why, and the file marks where the data stopped
// and where it came back; whole values are written as digits.
TEST_F(ScopeTuningTest, RecordingNeedsAChannelAndShowsFileTimeAndSizeAndMarksWhereTheDataStopped) {
    ConnectToDrive();
    Open();
    QTemporaryDir dir;
    COScopeCtrl::SetFileNameHook([&](const QString&, const QString&) { return dir.filePath("run"); });
    scope->RecordButton->click();
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0], "No channel to record: tick at least one channel.");

    scope->ChannelChecks[2]->setChecked(true);
    scope->OffsetEdits[2]->setText("7");
    scope->RecordButton->click();
    EXPECT_EQ(scope->RecordButton->text(), "Stop Recording");
    EXPECT_EQ(scope->RecordAction->text(), "Stop Recording");
    EXPECT_FALSE(scope->ChannelChecks[2]->isEnabled()); // the columns stay as recorded
    scope->RunStopButton->click();
    ASSERT_TRUE(WaitUntil([&] { return scope->Recording().Samples >= 3; }, 5s));
    EXPECT_TRUE(WaitUntil([&] { return scope->RecordStatusLabel->text().startsWith("run.csv\n00:00:0"); }));
    EXPECT_TRUE(scope->RecordStatusLabel->text().endsWith(" B") ||
                scope->RecordStatusLabel->text().endsWith(" kB"));
    EXPECT_EQ(Description(scope->RecordStatusLabel), scope->RecordStatusLabel->text());

    drive->SetSilent(true); // the one real time-out of this test
    ASSERT_TRUE(WaitUntil(
        [&] { return scope->TriggerStateLabel->text() == "No data: the drive does not answer"; }, 5s));
    const uint64_t silent = scope->Thread().SamplesTaken.load();
    WaitUntil([] { return false; }, 300ms);
    EXPECT_EQ(scope->Thread().SamplesTaken.load(), silent) << "no sample made up";
    drive->SetSilent(false);
    ASSERT_TRUE(WaitUntil([&] { return scope->TriggerStateLabel->text() == "Free running"; }, 5s));
    ASSERT_TRUE(WaitUntil([&] { return scope->Thread().SamplesTaken.load() > silent + 2; }, 5s));
    scope->RunStopButton->click();
    EXPECT_FALSE(scope->ChannelChecks[2]->isEnabled());
    scope->RecordButton->click();
    EXPECT_TRUE(scope->ChannelChecks[2]->isEnabled());
    EXPECT_EQ(scope->RecordStatusLabel->text(), "Not recording");
    QFile file(dir.filePath("run.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    EXPECT_EQ(lines[0], "Time since start [s],Wall clock,Command Current\r");
    EXPECT_TRUE(lines[1].endsWith(",7\r")) << lines[1].toStdString();
    int stopped = -1, back = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith("# ") && lines[i].endsWith(" data stopped: the drive does not answer\r"))
            stopped = i;
        if (lines[i].startsWith("# ") && lines[i].endsWith(" data again\r")) back = i;
    }
    EXPECT_GT(stopped, 1);
    EXPECT_GT(back, stopped + 0);
    EXPECT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(FormatSampleValue(300000), "300000");
    EXPECT_EQ(FormatSampleValue(-2.5), "-2.5");
}

TEST_F(ScopeTuningTest, AFullDiskStopsTheRecordingWithAMessageAndTheScopeRunsOn) {
    ConnectToDrive();
    Open();
    QTemporaryDir dir;
    const QString path = dir.filePath("long.csv");
    COScopeCtrl::SetFileNameHook([&](const QString&, const QString&) { return path; });
    scope->ChannelChecks[0]->setChecked(true);
    scope->RunStopButton->click();
    test::ScopedFileSizeLimit full(1500); // the header and some thirty lines
    scope->RecordButton->click();
    ASSERT_EQ(scope->RecordButton->text(), "Stop Recording");
    ASSERT_TRUE(WaitUntil([&] { return !messages.Texts.empty(); }, 10s));
    EXPECT_EQ(messages.Texts[0],
              "Recording stopped: cannot write " + path.toStdString() + ": File too large");
    EXPECT_EQ(scope->RecordButton->text(), "Record...");
    EXPECT_EQ(scope->RecordStatusLabel->text(), "Not recording");
    // The scope still samples and plots.
    EXPECT_EQ(scope->RunState(), 1);
    const uint64_t taken = scope->Thread().SamplesTaken.load();
    EXPECT_TRUE(WaitUntil([&] { return scope->Thread().SamplesTaken.load() >= taken + 3; }, 5s));
    EXPECT_GT(scope->Store().State().PointCount, 30);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_LE(text.size(), 1500);
    EXPECT_TRUE(text.endsWith("\r\n")); // cut after its last whole line
    EXPECT_EQ(messages.Texts.size(), 1u);
}

// Every poll: each sample is a state poll the link received at 9600 bit/s,
// taken once and stamped with its receive time, none repeated.
TEST_F(ScopeTuningTest, EveryPollSamplingTakesEachReceivedPollOnceAtItsReceiveTime) {
    ASSERT_NO_FATAL_FAILURE(ConnectToDrive());
    ScopeChannels channels;
    channels.Latch({1, 0, 0, 0}, {1, 0, 0, 0});
    std::mutex lock;
    std::vector<ScopeSample> samples;
    ScopeThread thread(
        channels,
        [&](StatePoll* poll) {
            *poll = link->LatestStatePoll();
            return true;
        },
        [&](const ScopeSample& s) {
            std::lock_guard hold(lock);
            samples.push_back(s);
        });
    thread.Mode = SamplingMode::EveryPoll;
    thread.RunState = 1;
    ASSERT_TRUE(thread.Start());
    const uint64_t first = link->LatestStatePoll().Sequence;
    ASSERT_TRUE(WaitUntil([&] { return link->LatestStatePoll().Sequence >= first + 12; }, 10s));
    EXPECT_EQ(thread.Stop(), ScopeThread::StopResult::Stopped);
    ASSERT_GE(samples.size(), 10u);
    for (size_t i = 1; i < samples.size(); ++i) {
        EXPECT_GT(samples[i].Poll, samples[i - 1].Poll);
        EXPECT_GT(samples[i].Taken, samples[i - 1].Taken);
    }
    const StatePoll last = link->LatestStatePoll();
    EXPECT_LE(samples.back().Poll, last.Sequence);
    if (samples.back().Poll == last.Sequence) {
        EXPECT_EQ(samples.back().Taken, last.Received);
    }
}

// The window's every-poll choice against the drive at 9600 bit/s: the chart
// holds one sample per poll received, at the poll's own time, and its
// export and cursors read those times.
TEST_F(ScopeTuningTest, EveryPollChoiceShowsEachPollAtItsTimeInChartExportAndCursors) {
    ASSERT_NO_FATAL_FAILURE(ConnectToDrive(true));
    ASSERT_EQ(link->WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn)), RTU_OK);
    ASSERT_EQ(link->WriteParam(drive::PositionLowRegister, 30000), RTU_OK);
    ASSERT_EQ(link->WriteParam(drive::SpeedRegister, 100), RTU_OK);
    ASSERT_EQ(link->WriteParam(drive::CommandRegister, drive::Code(drive::Command::Run)), RTU_OK);
    Open();
    EXPECT_EQ(scope->SamplingList->currentText(), "50 ms grid");
    EXPECT_EQ(scope->SamplingList->accessibleName(), "Sampling mode");
    scope->ChannelChecks[0]->setChecked(true); // Position
    scope->RunStopButton->click();
    ASSERT_TRUE(WaitUntil([&] { return scope->Store().State().PointCount >= 3; }, 5s));
    const uint64_t epoch = scope->Store().State().Epoch;
    const uint64_t firstPoll = link->LatestStatePoll().Sequence;
    scope->SamplingList->setCurrentIndex(1);
    EXPECT_EQ(scope->Thread().Mode.load(), SamplingMode::EveryPoll);
    EXPECT_GT(scope->Store().State().Epoch, epoch); // the grid's samples are gone
    ASSERT_TRUE(WaitUntil([&] { return scope->Store().State().PointCount >= 10; }, 10s));
    scope->RunStopButton->click();
    const uint64_t polls = link->LatestStatePoll().Sequence - firstPoll + 1;

    std::vector<double> times, values; // oldest first
    {
        const ScopeSampleStore::Reader read = scope->Store().Read();
        const ScopeSamples& s = read.Samples();
        const int n = read.State().PointCount;
        EXPECT_FALSE(s.EvenlySpaced(n));
        EXPECT_LE(static_cast<uint64_t>(n), polls); // no poll taken twice
        for (int age = n - 1; age >= 0; --age) {
            times.push_back(-s.SecondsBefore(age));
            values.push_back(s.At(0, age));
        }
    }
    const double spacing = -times.front() / static_cast<double>(times.size() - 1);
    std::printf("every-poll spacing at 9600 bit/s: %.4f s over %zu samples\n", spacing, times.size());
    EXPECT_GT(spacing, 0.05); // one poll of 9600 bit/s takes about 0.1 s, a grid step 0.05 s
    EXPECT_LT(spacing, 0.3);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GT(times[i], times[i - 1]);

    const QStringList rows =
        QString::fromStdString(scope->Chart->CsvText()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(static_cast<size_t>(rows.size()), times.size() + 1);
    for (size_t i = 0; i < times.size(); ++i) {
        const QStringList fields = rows[static_cast<qsizetype>(i) + 1].split(',');
        ASSERT_EQ(fields.size(), 2);
        EXPECT_NEAR(fields[0].toDouble(), times[i], 5e-5) << i;
        EXPECT_EQ(fields[1].toDouble(), values[i]) << i;
    }

    // Halfway in time between the newest two samples: their mean.
    ChartCursors cursors;
    cursors.On = true;
    const size_t k = times.size() - 2;
    cursors.T1 = (times[k] + times[k + 1]) / 2;
    scope->Chart->SetCursors(cursors);
    const std::string readout = scope->Chart->CursorReadoutText();
    EXPECT_NE(readout.find("Position: t1 " + ReadoutNumber((values[k] + values[k + 1]) / 2) + ","),
              std::string::npos)
        << readout;
}

} // namespace
} // namespace velt
