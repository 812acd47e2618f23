// Measures the CPU share of three grids shaped like the monitoring page's state, input and output
// grids, rewritten every 10 ms with live values the way the page does it (every cell written each
// tick whether or not it changed, then Refresh). Runs the incremental way first, then the naive
// way (every grid repainted in full every tick), and prints both figures.
#include "controls/CGridCtrl.h"
#include "controls/PageGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

using namespace velt;
using namespace std::chrono_literals;

namespace {

constexpr auto kTick = 10ms;
const GridRgb kLabelBk = Rgb(50, 70, 50);
const GridRgb kWhite = Rgb(255, 255, 255);

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Write(CGridCtrl& grid, int row, int col, const char* text) {
    WriteCentred(grid, row, col, text);
}

void PreparePage(CGridCtrl& grid, int rows, int cols) {
    ApplyPageGridSettings(grid, grid.font());
    grid.SetRowCount(rows);
    grid.SetColumnCount(cols);
}

void InitStateGrid(CGridCtrl& grid) {
    PreparePage(grid, 3, 12);
    const char* row0[] = {"Driver State", "Cmd Position", "Cmd Speed", "Cmd Current", "Hall Sensor", "-"};
    const char* row1[] = {"Alarm No", "Position", "Speed", "Current", "Ext Volume", "-"};
    for (int k = 0; k < 6; ++k) {
        Write(grid, 0, 2 * k, row0[k]);
        Write(grid, 1, 2 * k, row1[k]);
        Write(grid, 2, 2 * k, "-");
        grid.SetColumnWidth(2 * k, 70);
        grid.SetColumnWidth(2 * k + 1, 91);
        for (int r = 0; r < 3; ++r) {
            grid.SetItemBkColour(r, 2 * k, kLabelBk);
            grid.SetItemFgColour(r, 2 * k, kWhite);
            grid.SetItemFgColour(r, 2 * k + 1, r == 0 ? Rgb(0, 128, 0) : Rgb(128, 0, 0));
        }
    }
}

void InitIoGrid(CGridCtrl& grid, bool inputs) {
    PreparePage(grid, 4, 9);
    const char* labels[] = {inputs ? "D/I" : "D/O", "Fun", "Value", "Pol"};
    for (int r = 0; r < 4; ++r) {
        Write(grid, r, 0, labels[r]);
        grid.SetItemBkColour(r, 0, grid.GetDefaultCell(true, false).bk);
    }
    grid.SetColumnWidth(0, 70);
    for (int c = 1; c <= 8; ++c) {
        char text[16];
        if (inputs)
            std::snprintf(text, sizeof text, "IN %d", c);
        else if (c <= 4)
            std::snprintf(text, sizeof text, "OUT %d", c);
        else
            std::snprintf(text, sizeof text, "-");
        Write(grid, 0, c, text);
        grid.SetItemBkColour(0, c, kLabelBk);
        grid.SetItemFgColour(0, c, kWhite);
        grid.SetItemFgColour(2, c, Rgb(0, 0, 255));
        grid.SetColumnWidth(c, 112);
    }
}

// A drive moving back and forth: positions and speeds change every tick, inputs now and then.
struct FakeDrive {
    int tick = 0;
    std::int32_t cmdPos = 0;
    std::int32_t actPos = 0;
    std::int16_t inputs[8] = {};
    std::int16_t outputs[4] = {};
    std::mt19937 random{12345};

    bool moving = true;

    void Step() {
        if (!moving) return;
        ++tick;
        const double speed = 3000.0 * std::sin(tick / 150.0);
        cmdPos += static_cast<std::int32_t>(speed / 10);
        actPos = cmdPos - static_cast<std::int32_t>(speed / 40);
        if (tick % 37 == 0) inputs[random() % 8] ^= 1;
        if (tick % 113 == 0) outputs[random() % 4] ^= 1;
    }
};

const char* kInputFunctions[] = {" 0 : NOT USED",    " 1 : SERVO ON", " 4 : RUN/STOP", " 5 : DIR",
                                 " 6 : ALARM RESET", " 7 : HOMING",   " 8 : LIMIT+",   " 9 : LIMIT-"};
const char* kOutputFunctions[] = {" 0 : NOT USED", " 1 : ALARM", " 2 : IN POSITION", " 3 : BRAKE"};

void UpdateStateGrid(CGridCtrl& grid, const FakeDrive& drive) {
    const double speed = 3000.0 * std::sin(drive.tick / 150.0);
    const int values[2][6] = {
        {0x0103, drive.cmdPos, static_cast<int>(speed), static_cast<int>(speed / 7), 5, 0},
        {0, drive.actPos, static_cast<int>(speed * 0.98), static_cast<int>(speed / 7.3), 512, 0}};
    char text[24];
    for (int r = 0; r < 2; ++r) {
        for (int k = 0; k < 6; ++k) {
            std::snprintf(text, sizeof text, (r == 0 && k == 0) ? "%X" : "%d", values[r][k]);
            Write(grid, r, 2 * k + 1, text);
        }
    }
    grid.Refresh();
}

void UpdateIoGrid(CGridCtrl& grid, const std::int16_t* values, int count, const char* const* functions) {
    char text[16];
    for (int n = 1; n <= count; ++n) {
        Write(grid, 1, n, functions[n - 1]);
        std::snprintf(text, sizeof text, "%d", values[n - 1]);
        Write(grid, 2, n, text);
        const bool active = values[n - 1] != 0;
        grid.SetItemBkColour(2, n, active ? Rgb(0, 80, 0) : kDefaultColour);
        grid.SetItemFgColour(2, n, active ? kWhite : Rgb(0, 128, 0));
        Write(grid, 3, n, "A Contact");
    }
    grid.Refresh();
}

struct Phase {
    double cpuPercent = 0;
    int ticks = 0;
    long long cellsPainted = 0;
};

Phase RunPhase(CGridCtrl* grids[3], FakeDrive& drive, double seconds, bool naive) {
    long long cellsBefore = 0;
    for (int i = 0; i < 3; ++i)
        cellsBefore += grids[i]->PaintedCellCount();
    Phase phase;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(kTick);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        drive.Step();
        UpdateStateGrid(*grids[0], drive);
        UpdateIoGrid(*grids[1], drive.inputs, 8, kInputFunctions);
        UpdateIoGrid(*grids[2], drive.outputs, 4, kOutputFunctions);
        if (naive) {
            for (int i = 0; i < 3; ++i)
                grids[i]->RedrawAll();
        }
        ++phase.ticks;
    });
    // A local loop: QApplication::quit would close the window.
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(static_cast<int>(seconds * 1000)), &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    const double cpuStart = CpuSeconds();
    wall.start();
    timer.start();
    loop.exec();
    timer.stop();
    const double cpu = CpuSeconds() - cpuStart;
    phase.cpuPercent = 100.0 * cpu / (static_cast<double>(wall.nsecsElapsed()) / 1e9);
    for (int i = 0; i < 3; ++i)
        phase.cellsPainted += grids[i]->PaintedCellCount();
    phase.cellsPainted -= cellsBefore;
    return phase;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;

    QWidget window;
    window.setWindowTitle("grid_bench");
    auto* layout = new QVBoxLayout(&window);
    CGridCtrl* grids[3] = {new CGridCtrl, new CGridCtrl, new CGridCtrl};
    InitStateGrid(*grids[0]);
    InitIoGrid(*grids[1], true);
    InitIoGrid(*grids[2], false);
    for (int i = 0; i < 3; ++i) {
        // The grid plus its two-pixel sunken edge on each side: no scroll bars.
        grids[i]->setFixedSize(grids[i]->Model().TotalWidth() + 4, grids[i]->Model().TotalHeight() + 4);
        layout->addWidget(grids[i]);
    }
    window.show();
    FakeDrive drive;
    QEventLoop settle; // let the window appear and settle
    QTimer::singleShot(300ms, &settle, &QEventLoop::quit);
    settle.exec();

    // Optional second argument "incremental" or "naive" runs one way only (for profiling);
    // a file name ending in .png saves a picture; "steady" runs the incremental way with a drive standing
    // still (the floor: timer and writes).
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (only.endsWith(".png")) { // a picture of the three grids after one second of motion
        RunPhase(grids, drive, 1.0, false);
        return window.grab().save(only) ? 0 : 1;
    }
    if (only == "steady") {
        drive.moving = false;
        const Phase steady = RunPhase(grids, drive, seconds, false);
        std::printf("grid_cpu_percent_steady=%.2f cells_painted=%lld\n", steady.cpuPercent,
                    steady.cellsPainted);
        return 0;
    }
    const Phase incremental = only == "naive" ? Phase{} : RunPhase(grids, drive, seconds, false);
    const Phase naive = only == "incremental" ? Phase{} : RunPhase(grids, drive, seconds, true);
    std::printf("grid_cpu_percent=%.2f (goal <= 8)\n", incremental.cpuPercent);
    std::printf("grid_cpu_percent_naive=%.2f (full repaint of the three grids every tick)\n",
                naive.cpuPercent);
    std::printf("ticks=%d/%d cells_painted=%lld/%lld over %.1f s each (incremental/naive)\n",
                incremental.ticks, naive.ticks, incremental.cellsPainted, naive.cellsPainted, seconds);
    std::printf("row_height_px=%d\n", grids[0]->GetRowHeight(0));
    return 0;
}
