// The README's picture of a scope catching a RUN, made the way a user makes
// it: the program on its simulated drive (as ./run.sh starts it), connected;
// the first scope plots Position, Speed and Current, armed with a Single
// trigger on the position rising through half of the move; a RUN of 10000
// counts at 60 rpm is sent as the monitoring page sends it; once the trigger
// has stopped the scope, Auto Y fits the traces and the cursors are put on
// the trigger point and on the first sample at the target, and on the
// target and the start. The window is then saved as a PNG.
// Run with: xvfb-run -a ./scope_screenshot docs/scope-trigger.png [--lang ko]
#include "DemoProgram.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "scope/CDlgScope.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>

using namespace velt;

namespace {

constexpr int32_t kTarget = 10000; // counts
constexpr int kSpeed = 60;         // rpm
constexpr int kRampMs = 400;

bool WaitFor(const std::function<bool()>& condition, int seconds) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > seconds * 1000) return false;
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void Run(CDriveLink& link) {
    link.WriteParam(drive::ParamPositionAccDec, kRampMs);
    link.WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn));
    link.WriteParam(drive::PositionLowRegister, static_cast<uint16_t>(kTarget & 0xFFFF));
    link.WriteParam(drive::PositionHighRegister, static_cast<uint16_t>((kTarget >> 16) & 0xFFFF));
    link.WriteParam(drive::SpeedRegister, kSpeed);
    link.WriteParam(drive::CommandRegister, drive::Code(drive::Command::Run));
}

// The axis time of the first shown sample at the target.
double ArrivalTime(CDlgScope& scope) {
    const COScopeCtrl& c = *scope.Chart;
    const ScopeSampleStore::Reader read = scope.Store().Read();
    const ChartRanges r{c.XMin, c.XMax, c.YMin, c.YMax, read.State().Origin};
    for (int age = read.State().PointCount - 1; age >= 0; --age) {
        if (read.Samples().At(0, age) >= kTarget) return AxisTime(r, age / kSamplesPerSecond);
    }
    return 0.0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scope_screenshot FILE.png [--lang ko]\n");
        return 64;
    }
    QApplication qapp(argc, argv);
    bench::DemoProgram program;
    const int lang =
        argc > 3 && std::strcmp(argv[2], "--lang") == 0 && std::strcmp(argv[3], "ko") == 0 ? 1 : 0;
    if (!program.Start(lang)) return 1;
    CVELT_HostApp* const app = &program.App();
    app->MenuBar()->OnScope();
    CDlgScope& scope = *app->Scope(0);
    scope.ChannelChecks[0]->setChecked(true); // Position
    scope.ChannelChecks[1]->setChecked(true); // Speed, shown x 50
    scope.ScaleEdits[1]->setText(QStringLiteral("50"));
    scope.ChannelChecks[3]->setChecked(true); // Current, shown x 5
    scope.ScaleEdits[3]->setText(QStringLiteral("5"));
    scope.XMaxEdit->setText(QStringLiteral("4"));
    scope.TriggerModeList->setCurrentIndex(static_cast<int>(TriggerMode::Single));
    scope.LevelEdit->setText(QString::number(kTarget / 2));
    emit scope.LevelEdit->editingFinished();
    scope.RunStopButton->click();
    // The 0.8 s before the trigger point at rest, then the move.
    WaitFor([&] { return scope.Thread().SamplesTaken.load() >= 20; }, 10);
    std::thread command([&] { Run(*app->Link()); });
    const bool caught = WaitFor([&] { return scope.RunState() == 0; }, 30);
    command.join();
    if (!caught) {
        std::fprintf(stderr, "the trigger caught nothing\n");
        return 1;
    }
    scope.AutoYButton->click();
    scope.CursorsCheck->setChecked(true);
    ChartCursors c = scope.Chart->Cursors();
    c.T1 = 0.0;
    c.T2 = ArrivalTime(scope);
    c.V1 = kTarget;
    c.V2 = 0.0;
    c.Active = CursorId::T2;
    scope.Chart->SetCursors(c);
    WaitFor([] { return false; }, 1); // labels, read-out and paint settle
    const bool saved = scope.grab().save(QString::fromLocal8Bit(argv[1]));
    if (!saved) std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return saved ? 0 : 1;
}
