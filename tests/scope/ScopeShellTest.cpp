// The scope windows inside the whole program, against the simulated drive on
// a pseudo-terminal: the Scope button, live sampling, the offset taking
// effect, a RUN plotted end to end, a RUN caught by a Single trigger with
// its step figures (window, exported CSV and velt-cli agree), and shutdown
// with four running scopes.
#include "scope/CDlgScope.h"
#include "scope/ScopeTexts.h"

#include "app/CDlgMenuBar.h"
#include "app/CMainFrame.h"
#include "controls/CButtonST.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "scope/ScopeCsvRead.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ShellFixture.h"

#include <QClipboard>
#include <QGuiApplication>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace velt {
namespace {

using namespace std::chrono_literals;

class ScopeShellTest : public ShellTest {
protected:
    void Connect() {
        StartDrive();
        Start();
        app->MenuBar()->ConnectDrive();
        ASSERT_TRUE(app->Link()->IsConnected());
    }
    int Points(CDlgScope& scope) { return scope.Store().State().PointCount; }
    void Write32(uint16_t low, int32_t value) {
        ASSERT_EQ(app->Link()->WriteParam(low, static_cast<uint16_t>(value & 0xFFFF)), RTU_OK);
        ASSERT_EQ(app->Link()->WriteParam(low + 1, static_cast<uint16_t>((value >> 16) & 0xFFFF)), RTU_OK);
    }
    // Connected, with short position ramps, and the first scope open with
    // Position and Speed on.
    void OpenScopeOnPositionAndSpeed() {
        Connect();
        ASSERT_EQ(app->Link()->WriteParam(drive::ParamPositionAccDec, 20), RTU_OK); // short position ramps
        app->MenuBar()->OnScope();
        CDlgScope& scope = *app->Scope(0);
        scope.ChannelChecks[0]->setChecked(true); // Position
        scope.ChannelChecks[1]->setChecked(true); // Speed
    }
    // Servo on and a RUN to `target` at 1000 rpm.
    void RunTo(int32_t target) {
        CDriveLink& link = *app->Link();
        ASSERT_EQ(link.WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn)), RTU_OK);
        Write32(drive::PositionLowRegister, target);
        ASSERT_EQ(link.WriteParam(drive::SpeedRegister, 1000), RTU_OK);
        ASSERT_EQ(link.WriteParam(drive::CommandRegister, drive::Code(drive::Command::Run)), RTU_OK);
    }
    int32_t Position() {
        const StateBlock regs = app->Link()->StateRegs();
        return static_cast<int32_t>(static_cast<uint32_t>(regs[drive::StatePositionLow]) |
                                    static_cast<uint32_t>(regs[drive::StatePositionLow + 1]) << 16);
    }
};

TEST_F(ScopeShellTest, FourScopesRunTogetherAFifthPressDoesNothingAndShutdownEndsEveryThread) {
    Connect();
    for (int i = 0; i < 5; ++i)
        app->MenuBar()->ScopeButton->click();
    for (CDlgScope* scope : app->Scopes()) {
        ASSERT_TRUE(scope->isVisible());
        scope->ChannelChecks[0]->setChecked(true);
        scope->ChannelChecks[3]->setChecked(true);
        scope->RunStopButton->click();
    }
    EXPECT_EQ(ScopeThread::LiveThreads(), 4);
    EXPECT_TRUE(WaitUntil(
        [this] {
            for (CDlgScope* scope : app->Scopes()) {
                if (Points(*scope) < 3) return false;
            }
            return true;
        },
        5s));
    EXPECT_TRUE(app->MainFrame()->close());
    EXPECT_EQ(ScopeThread::LiveThreads(), 0);
    for (CDlgScope* scope : app->Scopes())
        EXPECT_EQ(scope, nullptr);
    EXPECT_TRUE(messages.Texts.empty()); // no "ScopeThread timeout!"
}

TEST_F(ScopeShellTest, ANewOffsetAppliesFromTheNextSampleOnly) {
    Connect();
    app->MenuBar()->OnScope();
    CDlgScope& scope = *app->Scope(0);
    scope.ChannelChecks[0]->setChecked(true); // Position: 0 at rest
    scope.RunStopButton->click();
    ASSERT_TRUE(WaitUntil([&] { return Points(scope) >= 3; }, 5s));
    const int before = Points(scope);
    scope.OffsetEdits[0]->setText("100");
    scope.OffsetApply[0]->click();
    ASSERT_TRUE(WaitUntil([&] { return Points(scope) >= before + 3; }, 5s));
    scope.RunStopButton->click();

    const ScopeSampleStore::Reader read = scope.Store().Read();
    const ScopeSamples& samples = read.Samples();
    const int n = read.State().PointCount;
    for (int age = n - 1; age >= n - before; --age)
        EXPECT_EQ(samples.At(0, age), 0.0) << age; // plotted before the change: kept
    EXPECT_EQ(samples.At(0, 0), 100.0);
    bool changed = false; // oldest to newest: 0 ... 0 then 100 ... 100
    for (int age = n - 1; age >= 0; --age) {
        const double v = samples.At(0, age);
        if (changed) {
            EXPECT_EQ(v, 100.0) << age;
        }
        changed = changed || v == 100.0;
    }
}

TEST_F(ScopeShellTest, ARunIsPlottedRisingToTheTargetAndExportedAtTwentySamplesPerSecond) {
    ASSERT_NO_FATAL_FAILURE(OpenScopeOnPositionAndSpeed());
    CDlgScope& scope = *app->Scope(0);
    scope.RunStopButton->click();
    const auto started = std::chrono::steady_clock::now();
    const uint64_t samples0 = scope.Thread().SamplesTaken.load();
    ASSERT_TRUE(WaitUntil([&] { return Points(scope) >= 4; }, 5s));

    constexpr int32_t kTarget = 60000;
    ASSERT_NO_FATAL_FAILURE(RunTo(kTarget));
    ASSERT_TRUE(WaitUntil([&] { return Position() == kTarget; }, 10s));
    const int atTarget = Points(scope);
    ASSERT_TRUE(WaitUntil([&] { return Points(scope) >= atTarget + 4; }, 5s));
    scope.RunStopButton->click();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double taken = double(scope.Thread().SamplesTaken.load() - samples0);
    // Samples on the 50 ms marks: never more than the marks allow (no bursts);
    // a loaded machine may skip a few.
    EXPECT_LE(taken, seconds * 20 + 2);
    EXPECT_GE(taken, seconds * 20 * 0.5);

    QTemporaryDir dir;
    COScopeCtrl::SetFileNameHook([&](const QString&, const QString&) { return dir.filePath("run.csv"); });
    scope.Chart->OnExportCsv();
    COScopeCtrl::SetFileNameHook({});
    QFile file(dir.filePath("run.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_GE(lines.size(), 10);
    EXPECT_EQ(lines[0].trimmed(), "Time [s],Position,Speed");
    double previousTime = -1e9, previousPos = -1e9;
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].trimmed().split(',');
        ASSERT_EQ(f.size(), 3);
        const double t = f[0].toDouble(), pos = f[1].toDouble();
        if (i > 1) {
            EXPECT_NEAR(t - previousTime, 0.05, 1e-9);
        }
        EXPECT_GE(pos, previousPos); // rises, never back
        previousTime = t;
        previousPos = pos;
    }
    EXPECT_EQ(lines[1].split(',')[1], "0");
    EXPECT_EQ(lines.back().trimmed(), "0.00," + QByteArray::number(kTarget) + ",0");
    EXPECT_TRUE(messages.Texts.empty());
}

TEST_F(ScopeShellTest, ASingleTriggerCatchesARunWithThePositionsCrossingAtTimeZero) {
    ASSERT_NO_FATAL_FAILURE(OpenScopeOnPositionAndSpeed());
    CDlgScope& scope = *app->Scope(0);
    constexpr int32_t kTarget = 60000;
    constexpr double kLevel = kTarget / 2.0;
    scope.TriggerModeList->setCurrentIndex(3); // Single
    scope.TriggerSourceList->setCurrentIndex(0);
    scope.LevelEdit->setText(QString::number(kLevel));
    emit scope.LevelEdit->editingFinished();
    scope.XMaxEdit->setText("4"); // 0.8 s before the trigger, 3.2 s after it
    scope.RunStopButton->click();
    ASSERT_EQ(scope.TriggerStateLabel->text(), "Armed");
    // The 0.8 s before the trigger filled with samples at rest.
    ASSERT_TRUE(WaitUntil([&] { return scope.Thread().SamplesTaken.load() >= 20; }, 10s));

    ASSERT_NO_FATAL_FAILURE(RunTo(kTarget));
    // Caught, the span filled, stopped.
    ASSERT_TRUE(WaitUntil([&] { return scope.RunState() == 0; }, 20s));
    EXPECT_EQ(scope.TriggerStateLabel->text(), "Stopped");
    EXPECT_EQ(scope.TriggerStateNow(), TriggerState::Stopped);
    EXPECT_TRUE(scope.ChannelChecks[0]->isEnabled());

    const COScopeCtrl& chart = *scope.Chart;
    const ScopeSampleStore::Reader read = scope.Store().Read();
    const StoreState& state = read.State();
    ChartView view;
    view.Samples = &read.Samples();
    view.PointCount = state.PointCount;
    view.TraceCount = state.TraceCount;
    view.TraceEnabled = state.Enabled;
    view.Ranges = {chart.XMin, chart.XMax, chart.YMin, chart.YMax, state.Origin};
    // Time 0 lies a fifth into the 4 s shown, at the interpolated crossing:
    // the position there reads the level itself, below it before and above after.
    EXPECT_EQ(chart.XMax, 4.0);
    EXPECT_NEAR(state.Origin, 3.2, 0.05 + 1e-9);
    const std::optional<double> atZero = TraceValueAt(view, 0, 0.0);
    ASSERT_TRUE(atZero);
    EXPECT_NEAR(*atZero, kLevel, 1e-6);
    EXPECT_LT(*TraceValueAt(view, 0, -0.05), kLevel);
    EXPECT_GT(*TraceValueAt(view, 0, 0.05), kLevel);
    EXPECT_EQ(*TraceValueAt(view, 0, -0.75), 0.0);    // at rest before the move
    EXPECT_EQ(*TraceValueAt(view, 0, 3.15), kTarget); // arrived within the span
    EXPECT_GT(*TraceValueAt(view, 1, 0.0), 0.0);      // moving at the crossing
    EXPECT_TRUE(messages.Texts.empty());
}

// The figures of a caught RUN against its command position: the window
// shows them and their marks, the exported CSV carries them at its head and
// gives the same figures read back, and velt-cli prints the same lines.
TEST_F(ScopeShellTest, TheStepFiguresOfACaughtRunAreThoseOfItsExportedCsvAndOfVeltCli) {
    ASSERT_NO_FATAL_FAILURE(OpenScopeOnPositionAndSpeed());
    CDlgScope& scope = *app->Scope(0);
    constexpr int32_t kTarget = 20000;
    scope.SourceLists[2]->setCurrentIndex(0); // Command Position
    scope.ChannelChecks[2]->setChecked(true);
    scope.TriggerModeList->setCurrentIndex(3); // Single on the position at half way
    scope.LevelEdit->setText(QString::number(kTarget / 2));
    emit scope.LevelEdit->editingFinished();
    scope.XMaxEdit->setText("3");
    scope.RunStopButton->click();
    ASSERT_TRUE(WaitUntil([&] { return scope.Thread().SamplesTaken.load() >= 20; }, 10s));
    ASSERT_NO_FATAL_FAILURE(RunTo(kTarget));
    ASSERT_TRUE(WaitUntil([&] { return scope.RunState() == 0; }, 20s));

    EXPECT_TRUE(scope.StepLines().empty());
    scope.StepCheck->setChecked(true);
    scope.StepCommandList->setCurrentIndex(3); // Ch 3
    const std::vector<std::string> lines = scope.StepLines();
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[2], "Step size: " + std::to_string(kTarget));
    EXPECT_EQ(lines[9], "Steady-state error: 0");
    EXPECT_EQ(lines[4].find("cannot"), std::string::npos) << lines[4];
    EXPECT_EQ(lines[8].find("cannot"), std::string::npos) << lines[8];
    EXPECT_TRUE(scope.Chart->HasStepMarks());
    std::string joined;
    for (const std::string& line : lines)
        joined += line + '\n';
    EXPECT_EQ(scope.StepFiguresLabel->text().toStdString() + '\n', joined);
    scope.StepCopyButton->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), joined);

    QTemporaryDir dir;
    const QString csvPath = dir.filePath("run.csv");
    ASSERT_TRUE(scope.Chart->ExportCsvTo(csvPath));
    QFile file(csvPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string csv = file.readAll().toStdString();
    EXPECT_EQ(csv.rfind("# " + lines[0] + "\r\n# " + lines[1] + "\r\n", 0), 0u);
    ScopeCsvData data;
    std::string error;
    ASSERT_TRUE(ReadScopeCsv(csv, &data, &error)) << error;
    ASSERT_EQ(data.Names, (std::vector<std::string>{"Position", "Speed", "Command Position"}));
    EXPECT_EQ(StepFigureLines(ComputeStepFigures({data.Time, data.Values[0], data.Values[2], {}}), false),
              lines);
    const test::ProcessResult cli = test::RunProcess(
        {VELT_CLI_PATH, "--lang", "en", "step", csvPath.toStdString(), "--channel", "1", "--command", "3"});
    EXPECT_EQ(cli.exitCode, 0) << cli.err;
    EXPECT_EQ(cli.out, joined);
    // Levels and band in decimals, as the window takes them.
    StepSettings fine;
    fine.Band = 0.025;
    std::string fineJoined;
    for (const std::string& line :
         StepFigureLines(ComputeStepFigures({data.Time, data.Values[0], data.Values[2], {}}, fine), false))
        fineJoined += line + '\n';
    const test::ProcessResult cliFine =
        test::RunProcess({VELT_CLI_PATH, "--lang", "en", "step", csvPath.toStdString(), "--channel", "1",
                          "--command", "3", "--band", "2.5"});
    EXPECT_EQ(cliFine.exitCode, 0) << cliFine.err;
    EXPECT_EQ(cliFine.out, fineJoined);
    EXPECT_EQ(
        test::RunProcess({VELT_CLI_PATH, "step", csvPath.toStdString(), "--channel", "1", "--band", "2,5"})
            .exitCode,
        64);

    scope.CursorsCheck->setChecked(true); // between the cursors now
    EXPECT_EQ(scope.StepSpanLabel->text(), "Between the cursors t1 and t2");
    scope.StepCheck->setChecked(false);
    EXPECT_FALSE(scope.Chart->HasStepMarks());
    EXPECT_EQ(scope.Chart->CsvText().find('#'), std::string::npos);
    EXPECT_TRUE(messages.Texts.empty());

    // A band that is no number is refused, never read as 0; the 2 % stays.
    scope.StepBandEdit->setText("abc");
    emit scope.StepBandEdit->editingFinished();
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0], kStepLevelsRefused.En);
    EXPECT_EQ(scope.StepBandEdit->text(), "2");
}

} // namespace
} // namespace velt
