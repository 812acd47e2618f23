// The repeat window in the whole application against the simulated drive:
// its grid, Start and Stop, the refresh from the RepeatThread, the title,
// and a full cycle on a wire-timed line.
#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "controls/CGridCtrl.h"
#include "controls/CInPlaceEdit.h"
#include "controls/DialogFont.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "params/CDlgParameter.h"
#include "repeat/CDlgRepeat.h"
#include "sim/ControlLine.h"
#include "tests/support/ShellFixture.h"

#include <QAccessible>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <mutex>
#include <utility>

namespace velt {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::pair<uint16_t, uint16_t> kStopWrite{drive::CommandRegister, drive::Code(drive::Command::Stop)};

QString AccessibleName(QObject* object) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QString();
}

class RepeatWindowTest : public ShellTest {
protected:
    CDlgRepeat& Window() { return *app->Repeat(); }
    CGridCtrl& Grid() { return *app->Repeat()->PointGrid; }
    RepeatStatus Status() { return app->Repeat()->Sequence().Status(); }

    // Connects with the serial settings' baud rate and switches the servo on.
    void ConnectServoOn(int32_t baud = 9600) {
        SerialSettingsValues values = app->Settings()->Values();
        values.BaudRate = baud;
        app->Settings()->Set(values);
        app->MenuBar()->ConnectButton->click();
        ASSERT_TRUE(app->Link()->IsConnected());
        ASSERT_TRUE(WaitUntil([this] { return app->Parameter()->ParamsReadCount > 0; }));
        app->Link()->WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn));
        ASSERT_TRUE(WaitUntil(
            [this] { return (app->Link()->StateRegs()[drive::StateStatus] & drive::StatusServoOn) != 0; }));
    }
    // Only the given rows (1..8) stay in use, toggled the way a double-click does.
    void KeepOnlyRows(std::initializer_list<int> rows) {
        for (int row = 1; row <= kRepeatPointCount; ++row) {
            if (std::find(rows.begin(), rows.end(), row) == rows.end()) Window().OnPointGridDblClick(row, 1);
        }
    }
    // The register writes the drive received, as (register, value).
    std::vector<std::pair<uint16_t, uint16_t>> SimWrites() const {
        std::vector<std::pair<uint16_t, uint16_t>> writes;
        for (const sim::SimRequest& r : drive->Requests()) {
            if (r.function == drive::FunctionWriteSingleRegister) writes.emplace_back(r.address, r.value);
        }
        return writes;
    }
};

TEST_F(RepeatWindowTest, TheWindowShowsTheEightDefaultPointsWithItsControlsNamed) {
    Start();
    CDlgRepeat& w = Window();
    EXPECT_EQ(w.size(), DluSize(277, 142));
    EXPECT_EQ(w.PointGrid->geometry(), DluRect(4, 4, 270, 108));
    EXPECT_EQ(w.StartButton->geometry(), DluRect(5, 116, 130, 23));
    EXPECT_EQ(w.StopButton->geometry(), DluRect(142, 116, 130, 23));

    CGridCtrl& g = Grid();
    ASSERT_EQ(9, g.GetRowCount());
    ASSERT_EQ(6, g.GetColumnCount());
    EXPECT_EQ(1, g.GetFixedRowCount());
    EXPECT_EQ(1, g.GetFixedColumnCount());
    EXPECT_TRUE(g.IsEditable());
    const char* headers[] = {"", "Use", "Pos", "Speed", "Delay(ms)", "Elapsed(ms)"};
    const int widths[] = {30, 30, 100, 80, 80, 80};
    for (int col = 0; col < 6; ++col) {
        EXPECT_EQ(g.GetItemText(0, col), headers[col]);
        EXPECT_EQ(g.GetColumnWidth(col), widths[col]);
    }
    for (int row : {1, 8}) {
        EXPECT_EQ(g.GetItemText(row, 0), QStringLiteral("P%1").arg(row));
        EXPECT_EQ(g.GetItemText(row, 2), QString::number((row - 1) * 10000));
    }
    EXPECT_EQ(g.GetItemText(5, 1), "1");
    EXPECT_EQ(g.GetItemBkColour(5, 1), Rgb(0, 255, 0));
    EXPECT_EQ(g.GetItemText(5, 3), "500");
    EXPECT_EQ(g.GetItemText(5, 4), "500");
    EXPECT_EQ(g.GetItemText(5, 5), "0");
    EXPECT_TRUE(g.GetItemState(5, 1) & GVIS_READONLY);
    EXPECT_TRUE(g.GetItemState(5, 5) & GVIS_READONLY);
    EXPECT_FALSE(g.GetItemState(5, 2) & GVIS_READONLY);
    EXPECT_EQ(g.GetDefaultCell(false, false).bk, Rgb(255, 255, 224));

    EXPECT_EQ(AccessibleName(w.StartButton), "Start");
    EXPECT_EQ(AccessibleName(w.StopButton), "Stop");
    EXPECT_EQ(AccessibleName(w.PointGrid), "Repeat points");
    EXPECT_EQ(AccessibleName(&w), "Repeat");
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(w.PointGrid);
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(grid->tableInterface(), nullptr);
    QAccessibleInterface* lamp = grid->tableInterface()->cellAt(3, 1);
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->text(QAccessible::Name), "1");
    EXPECT_EQ(lamp->text(QAccessible::Description), "P3 Use");

    // The RepeatThread runs from creation; with no cycle it sleeps.
    EXPECT_EQ(1, w.Worker().ThreadAlive.load());
    const uint32_t passes = w.Worker().PassCount();
    WaitUntil([] { return false; }, 100ms);
    EXPECT_EQ(passes, w.Worker().PassCount());
    EXPECT_EQ(w.windowTitle(), "Repeat");
    EXPECT_TRUE(w.StartButton->isEnabled());
}

TEST_F(RepeatWindowTest, DoubleClickingAUseLampTogglesItAndOtherCellsDoNothing) {
    Start();
    CDlgRepeat& w = Window();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QWidget* viewport = Grid().viewport();
    const auto lamp = [&](int row) {
        return std::make_pair(Grid().GetItemText(row, 1), Grid().GetItemBkColour(row, 1));
    };

    QTest::mouseDClick(viewport, Qt::LeftButton, {}, Grid().CellRect(3, 1).center());
    EXPECT_EQ(0, Status().Points[2].Use);
    EXPECT_TRUE(WaitUntil([&] { return lamp(3) == std::make_pair(QString("0"), Rgb(128, 128, 128)); }));
    EXPECT_EQ(Grid().GetItemFgColour(3, 1), Rgb(128, 128, 128));

    QTest::mouseDClick(viewport, Qt::LeftButton, {}, Grid().CellRect(4, 2).center()); // Pos
    if (CInPlaceEdit* editor = Grid().InPlaceEditor()) editor->EndEdit(Qt::Key_Escape);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, Grid().CellRect(0, 1).center()); // header
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, Grid().CellRect(4, 0).center()); // "P4"
    for (int i = 0; i < kRepeatPointCount; ++i)
        EXPECT_EQ(i == 2 ? 0 : 1, Status().Points[i].Use) << i;

    QTest::mouseDClick(viewport, Qt::LeftButton, {}, Grid().CellRect(3, 1).center());
    EXPECT_TRUE(WaitUntil([&] { return lamp(3) == std::make_pair(QString("1"), Rgb(0, 255, 0)); }));
}

TEST_F(RepeatWindowTest, StartRunsTheValueBeingTypedAndLaterEditsWaitForTheNextStart) {
    StartDrive();
    Start();
    ConnectServoOn();
    KeepOnlyRows({1});
    CDlgRepeat& w = Window();

    ASSERT_TRUE(Grid().EditCell(1, 2));
    ASSERT_NE(Grid().InPlaceEditor(), nullptr);
    QTest::keyClicks(Grid().InPlaceEditor(), "1234"); // no Return
    w.StartButton->click();
    ASSERT_TRUE(Status().Repeating);
    EXPECT_EQ(1234, Status().Points[0].Pos);
    EXPECT_EQ(Grid().GetItemText(1, 2), "1234");
    EXPECT_FALSE(w.StartButton->isEnabled());
    EXPECT_TRUE(WaitUntil([&] { return drive->Holding(drive::PositionLowRegister) == 1234; }));
    EXPECT_TRUE(w.windowTitle().startsWith("Repeat - P1, cycle 0")) << w.windowTitle().toStdString();

    Grid().SetItemText(1, 2, "999");
    Grid().SetItemText(1, 4, "5");
    EXPECT_TRUE(WaitUntil([&] { return Status().StepState == RepeatStepState::Dwell; }, 10s));
    EXPECT_EQ(1234, Status().Points[0].Pos);
    EXPECT_EQ(500, Status().Points[0].Delay);

    w.StopButton->click();
    EXPECT_FALSE(Status().Repeating);
    EXPECT_EQ(SimWrites().back(), kStopWrite) << "STOP";
    EXPECT_TRUE(WaitUntil([&] { return w.StartButton->isEnabled() && w.windowTitle() == "Repeat"; }));
    w.StartButton->click();
    EXPECT_EQ(999, Status().Points[0].Pos);
    EXPECT_EQ(5, Status().Points[0].Delay);
    w.StopButton->click();
    EXPECT_TRUE(messages.Texts.empty());
}

TEST_F(RepeatWindowTest, WithNoPointInUseTheTitleCountsCyclesAndEscLeavesTheSequenceRunning) {
    StartDrive();
    Start();
    ConnectServoOn();
    KeepOnlyRows({});
    CDlgRepeat& w = Window();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    drive->ClearRequests();
    w.StartButton->click();
    ASSERT_TRUE(Status().Repeating);
    const QRegularExpression running(QStringLiteral("^Repeat - P[1-8], cycle [2-9]$"));
    EXPECT_TRUE(WaitUntil([&] { return running.match(w.windowTitle()).hasMatch(); }, 10s))
        << w.windowTitle().toStdString();

    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    const uint32_t cycles = Status().Cycles;
    EXPECT_TRUE(WaitUntil([&] { return Status().Cycles > cycles; }));
    EXPECT_TRUE(Status().Repeating);
    using Writes = std::vector<std::pair<uint16_t, uint16_t>>;
    EXPECT_EQ(SimWrites(), (Writes{kStopWrite})) << "only Start's STOP";

    w.StopButton->click();
    EXPECT_EQ(SimWrites(), (Writes{kStopWrite, kStopWrite}));
    EXPECT_TRUE(WaitUntil([&] { return w.windowTitle() == "Repeat"; }));
}

TEST_F(RepeatWindowTest, ARatioDenominatorOfZeroStopsTheCycleWithAMessage) {
    StartDrive();
    drive->SetHolding(drive::ParamRatioDenominator, 0);
    Start();
    ConnectServoOn();
    KeepOnlyRows({2});
    CDlgRepeat& w = Window();
    w.StartButton->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.Texts.empty(); }));
    EXPECT_EQ(messages.Texts, std::vector<std::string>{"The ratio denominator (parameter " +
                                                       std::to_string(drive::ParamRatioDenominator) +
                                                       ") is 0.\r\nThe repeat cycle stopped at P2."});
    EXPECT_TRUE(WaitUntil([&] { return w.StartButton->isEnabled() && w.windowTitle() == "Repeat"; }));
    for (const auto& [reg, value] : SimWrites())
        EXPECT_FALSE(reg == drive::CommandRegister && value == drive::Code(drive::Command::Run)) << "no RUN";
}

TEST_F(RepeatWindowTest, StartSaysWhyNothingMovesWhenTheDriveIsNotConnectedOrTheServoIsOff) {
    StartDrive();
    Start();
    CDlgRepeat& w = Window();
    w.StartButton->click();
    EXPECT_EQ(messages.Texts,
              std::vector<std::string>{"The drive is not connected: the repeat cycle cannot start."});
    messages.Texts.clear();

    app->MenuBar()->ConnectButton->click();
    ASSERT_TRUE(WaitUntil([this] { return app->Parameter()->ParamsReadCount > 0; }));
    ASSERT_TRUE(WaitUntil([this] { return app->Link()->StateRegs()[drive::StateActiveSet] == 1; }));
    drive->ClearRequests();
    w.StartButton->click();
    EXPECT_EQ(messages.Texts,
              std::vector<std::string>{
                  "The servo is off, so the drive cannot move.\r\nSwitch it on with SERVO ON on "
                  "the monitoring page, then press Start again."});
    EXPECT_FALSE(Status().Repeating);
    EXPECT_TRUE(w.StartButton->isEnabled());
    EXPECT_TRUE(SimWrites().empty()) << "nothing is written";
}

// The simulator raises the alarm through its control input, as an operator
// drill does; the drive drops out of servo-on with it.
TEST_F(RepeatWindowTest, AnAlarmDuringACycleStopsItWithAMessageAndNoFurtherCommand) {
    StartDrive();
    Start();
    ConnectServoOn();
    KeepOnlyRows({2});
    CDlgRepeat& w = Window();
    Grid().SetItemText(2, 3, "100"); // a long, slow move
    w.StartButton->click();
    ASSERT_TRUE(messages.Texts.empty());
    ASSERT_TRUE(WaitUntil([&] { return Status().StepState == RepeatStepState::WaitInPosition; }));
    std::string error;
    ASSERT_TRUE(sim::ControlLine::Apply(*drive, "alarm 2", &error)) << error;
    ASSERT_TRUE(WaitUntil([&] { return !messages.Texts.empty(); }));
    EXPECT_EQ(messages.Texts, std::vector<std::string>{"The drive raised alarm 2 (Overcurrent Error).\r\n"
                                                       "The repeat cycle stopped at P2."});
    const RepeatStatus s = Status();
    EXPECT_FALSE(s.Repeating);
    EXPECT_EQ(s.LastEnd, RepeatEnd::AlarmOrServoOff);
    EXPECT_TRUE(WaitUntil([&] { return w.StartButton->isEnabled(); }));
    drive->ClearRequests();
    WaitUntil([] { return false; }, 100ms);
    EXPECT_TRUE(SimWrites().empty()) << "the sequence writes nothing after the alarm";
    EXPECT_EQ(messages.Texts.size(), 1u) << "told once";
}

TEST_F(RepeatWindowTest, TheDwellColumnIsHeadedInBothLanguages) {
    Start(1);
    EXPECT_EQ(Grid().GetItemText(0, 5), QString::fromUtf8("경과(ms)"));
    EXPECT_EQ(Grid().GetItemText(0, 4), "Delay(ms)");
}

TEST_F(RepeatWindowTest, ClosingTheProgramWhileACycleRunsEndsTheThreadQuietly) {
    StartDrive();
    Start();
    ConnectServoOn();
    Window().StartButton->click();
    ASSERT_TRUE(WaitUntil([&] { return Status().StepState == RepeatStepState::WaitInPosition; }));
    app->Shutdown();
    EXPECT_EQ(app->Repeat(), nullptr);
    EXPECT_EQ(app->Link(), nullptr);
    EXPECT_TRUE(messages.Texts.empty());
}

// Records every register write with its time and what the drive reported at
// that moment. Called by the link under its lock on the writing thread.
class TimedWrites : public IFrameLog {
public:
    struct Entry {
        Clock::time_point time;
        uint16_t reg = 0;
        uint16_t value = 0;
        int32_t commandedPos = 0;
        bool inPosition = false;
    };
    explicit TimedWrites(sim::SimDrive& drive) : drive_(drive) {}
    void QueueTxFrame(int length, const uint8_t* b) override {
        if (length < 8 || b[1] != drive::FunctionWriteSingleRegister) return;
        Entry e;
        e.time = Clock::now();
        e.reg = static_cast<uint16_t>(b[2] << 8 | b[3]);
        e.value = static_cast<uint16_t>(b[4] << 8 | b[5]);
        e.commandedPos = static_cast<int32_t>(
            drive_.InputReg(drive::StateCmdPositionLow) |
            static_cast<uint32_t>(drive_.InputReg(drive::StateCmdPositionLow + 1)) << 16);
        e.inPosition = (drive_.InputReg(drive::StateStatus) & drive::StatusInPosition) != 0;
        std::lock_guard lock(m_);
        entries_.push_back(e);
    }
    void QueueRxFrame(int, const uint8_t*) override {}
    std::vector<Entry> Entries() const {
        std::lock_guard lock(m_);
        return entries_;
    }

private:
    sim::SimDrive& drive_;
    mutable std::mutex m_;
    std::vector<Entry> entries_;
};

TEST_F(RepeatWindowTest, TwoPointsAtGearThreeToTwoRunThreeCyclesOnAWireTimedLine) {
    sim::SimOptions options;
    options.comNumber = 3;
    options.baud = 115200;
    options.wireTiming = true;
    drive = std::make_unique<sim::SimDrive>(options);
    ASSERT_TRUE(drive->Start());
    drive->SetHolding(drive::ParamRatioNumerator, 300);
    drive->SetHolding(drive::ParamRatioDenominator, 200);
    drive->SetHolding(drive::ParamPositionAccDec, 50); // ms to full speed: short moves
    Start();
    ConnectServoOn(115200);
    TimedWrites log(*drive);
    app->Link()->SetFrameLog(&log);

    struct Point {
        const char *pos, *speed, *delay;
        int32_t raw, converted, delayMs;
    };
    const Point points[2] = {{"2000", "1000", "300", 2000, 3000, 300},
                             {"-1001", "1000", "200", -1001, -1501, 200}};
    KeepOnlyRows({1, 2});
    for (int row = 1; row <= 2; ++row) {
        Grid().SetItemText(row, 2, points[row - 1].pos);
        Grid().SetItemText(row, 3, points[row - 1].speed);
        Grid().SetItemText(row, 4, points[row - 1].delay);
    }
    CDlgRepeat& w = Window();
    w.StartButton->click();
    ASSERT_TRUE(Status().Repeating);
    ASSERT_TRUE(WaitUntil([&] { return Status().Cycles >= 3; }, 60s));
    w.StopButton->click();
    ASSERT_TRUE(WaitUntil([&] {
        const uint16_t status = drive->InputReg(drive::StateStatus);
        return (status & drive::StatusZeroSpeed) != 0 && (status & drive::StatusMoving) == 0;
    }));
    app->Link()->SetFrameLog(nullptr);

    // Each RUN with the target sent before it, and what the drive reported
    // when that target was sent (still at the previous point).
    const std::vector<TimedWrites::Entry> entries = log.Entries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(drive::CommandRegister, entries.back().reg);
    EXPECT_EQ(drive::Code(drive::Command::Stop), entries.back().value) << "Stop's STOP comes last";
    struct Run {
        Clock::time_point time;
        int32_t target = 0;
        int32_t posBefore = 0;
        bool inPositionBefore = false;
    };
    std::vector<Run> runs;
    uint16_t low = 0;
    Run next;
    for (const TimedWrites::Entry& e : entries) {
        if (e.reg == drive::PositionLowRegister) {
            low = e.value;
            next.posBefore = e.commandedPos;
            next.inPositionBefore = e.inPosition;
        } else if (e.reg == drive::PositionHighRegister) {
            next.target = static_cast<int32_t>(low | static_cast<uint32_t>(e.value) << 16);
        } else if (e.reg == drive::CommandRegister && e.value == drive::Code(drive::Command::Run)) {
            next.time = e.time;
            runs.push_back(next);
        }
    }
    ASSERT_GE(runs.size(), 6u);
    for (size_t k = 0; k < runs.size(); ++k) {
        const Point& p = points[k % 2];
        EXPECT_EQ(p.raw, runs[k].target) << "RUN " << k;
        if (k == 0) continue;
        const Point& before = points[(k - 1) % 2];
        EXPECT_TRUE(runs[k].inPositionBefore) << "RUN " << k;
        EXPECT_EQ(before.converted, runs[k].posBefore) << "RUN " << k;
        const auto gap =
            std::chrono::duration_cast<std::chrono::milliseconds>(runs[k].time - runs[k - 1].time);
        EXPECT_GE(gap.count(), before.delayMs) << "RUN " << k;
    }
    EXPECT_TRUE(messages.Texts.empty());
}

} // namespace
} // namespace velt
