// How long the compare window takes to show two sets: the drive (read at
// 9600 bit/s from the simulated drive with wire timing) against a file, next
// to the full read behind "All Parameter Read"; and a file against a file or
// a backup. Also the longest the event loop waited during the drive read,
// which says whether the window stayed alive. Runs offscreen.
#include "bench/support/BenchSim.h"
#include "params/Backup.h"
#include "params/CompareDialog.h"
#include "params/ParamCompare.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace velt;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kBaud = 9600;
constexpr int kDriveRounds = 10;
constexpr int kFileRounds = 50;
constexpr auto kTick = std::chrono::milliseconds(5);

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

CompareDialog::Wiring Wiring(CDriveLink* link) {
    static ParamWorkingCopy copy; // all 0, as the page's before the first read
    CompareDialog::Wiring w;
    w.Link = link;
    w.Copy = &copy;
    return w;
}

// The drive against a file, kDriveRounds times, with the plain read between.
bool MeasureDrive(const fs::path& file) {
    const std::unique_ptr<sim::SimDrive> sim = bench::StartWireTimedSim(kBaud);
    if (!sim) return false;
    CDriveLink link;
    // Polling the state block meanwhile, as in the program.
    if (!bench::ConnectToSim(link, *sim, kBaud)) return false;
    CompareDialog window(Wiring(&link), nullptr);
    window.ChooseSource(CompareDialog::B, CompareDialog::Source::File, file);
    std::vector<double> reads, compares, gaps;
    for (int round = 0; round < kDriveRounds; ++round) {
        QElapsedTimer t;
        t.start();
        const RtuResult result = link.ReadAllParams();
        reads.push_back(Ms(t));
        if (result != RTU_OK) {
            // A failed read is no figure: the bench says so and fails.
            std::fprintf(stderr, "read failed: %s\n", DescribeRtuResult(result).c_str());
            link.StopThread();
            return false;
        }

        // The event loop's longest wait while the window reads the drive.
        QElapsedTimer sinceTick;
        double longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, Ms(sinceTick));
            sinceTick.restart();
        });
        tick.start(kTick);
        t.restart();
        sinceTick.start();
        window.ChooseSource(CompareDialog::A, CompareDialog::Source::Drive);
        while (window.Reading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        compares.push_back(Ms(t));
        tick.stop();
        gaps.push_back(longest);
    }
    link.StopThread();
    std::printf("drive_vs_file baud=%u full_read_ms=%.1f compare_open_ms=%.1f ratio=%.2f "
                "longest_event_gap_ms=%.1f (tick %lld ms) rounds=%d differences=%d\n",
                kBaud, Median(reads), Median(compares), Median(compares) / Median(reads), Median(gaps),
                static_cast<long long>(kTick.count()), kDriveRounds, window.Differences());
    return true;
}

void MeasureFiles(const fs::path& a, const fs::path& b, const fs::path& backup) {
    CompareDialog window(Wiring(nullptr), nullptr);
    window.OnlyDifferences->setChecked(false); // every row in the table: the most work
    window.show();
    QCoreApplication::processEvents();
    std::vector<double> files, backups, core;
    for (int round = 0; round < kFileRounds; ++round) {
        // Each time until the window has laid out and painted the new table.
        QElapsedTimer t;
        t.start();
        window.ChooseSource(CompareDialog::A, CompareDialog::Source::File, a);
        window.ChooseSource(CompareDialog::B, CompareDialog::Source::File, b);
        window.repaint();
        files.push_back(Ms(t));
        t.restart();
        window.ChooseSource(CompareDialog::B, CompareDialog::Source::Backup, backup);
        window.repaint();
        backups.push_back(Ms(t));
        t.restart();
        ParamValues va{}, vb{};
        ParReadResult ra, rb;
        ReadParFile(a, &va, false, &ra);
        ReadParFile(b, &vb, false, &rb);
        const std::vector<CompareRow> rows = CompareSets(FileSet(va, ra), FileSet(vb, rb));
        core.push_back(Ms(t));
        if (rows.empty()) std::fprintf(stderr, "no rows\n");
    }
    std::printf("file_vs_file_ms=%.2f file_vs_backup_ms=%.2f read_and_compare_only_ms=%.3f rows=%d "
                "rounds=%d (shown window, all rows, laid out and painted)\n",
                Median(files), Median(backups), Median(core), window.Table->rowCount(), kFileRounds);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const fs::path dir = fs::temp_directory_path() / ("velt_compare_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("VELT_PARAMETER_DIR", dir.c_str(), 1);
    QApplication app(argc, argv);

    ParamValues a{}, b{};
    for (int n = 0; n < drive::ParamCount; ++n) {
        a[static_cast<size_t>(n)] = static_cast<int16_t>(n * 7);
        b[static_cast<size_t>(n)] = static_cast<int16_t>(n % 3 == 0 ? n * 7 + 1 : n * 7);
    }
    WriteParFile(dir / "a.par", a, false);
    WriteParFile(dir / "b.par", b, false);
    const BackupResult backup = WriteBackupFile(b, dir, std::time(nullptr), false);

    MeasureFiles(dir / "a.par", dir / "b.par", backup.path);
    const bool ok = MeasureDrive(dir / "b.par");
    std::error_code ec;
    fs::remove_all(dir, ec);
    return ok ? 0 : 1;
}
