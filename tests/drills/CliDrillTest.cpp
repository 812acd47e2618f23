// The same drills for velt-cli: the program run against velt-drive-sim, each
// a program of its own, the drive's faults typed on the simulator's input.
#include "ChildProcess.h"
#include "params/ParFile.h"
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

namespace velt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using CliRun = ProcessResult;

class CliDrill : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        dir = fs::path(::testing::TempDir()) /
              ("velt_cli_drill_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        fs::create_directories(dir / "ports");
        ::setenv("VELT_PORTS_DIR", (dir / "ports").c_str(), 1);
        StartSim();
    }
    void TearDown() override {
        sim.reset();
        ::unsetenv("VELT_PORTS_DIR");
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void StartSim() {
        sim = std::make_unique<ChildProcess>(
            std::vector<std::string>{VELT_SIM_PATH, "--port", "COM3", "--state", StateFile().string()});
        const std::string ready = sim->ReadLine(20s);
        ASSERT_EQ(ready.rfind("ready COM3 ", 0), 0u) << ready;
    }
    // Types a control line on the simulator's input and waits until it is in
    // force (the simulator echoes a marker once the lines before it are).
    void Fault(const std::string& line) {
        static int marker = 0;
        const std::string echo = "applied " + std::to_string(++marker);
        ASSERT_TRUE(sim->WriteLine(line)) << line;
        ASSERT_TRUE(sim->WriteLine("echo " + echo)) << line;
        ASSERT_EQ(sim->ReadLine(20s), echo) << line;
    }

    // velt-cli on COM3, stdin from /dev/null, backups in dir/backups. `limit`
    // is put before it in the shell: a full disk is "ulimit -f N" with
    // SIGXFSZ ignored.
    CliRun Run(const std::string& args, const std::string& limit = "") const {
        return RunShell(limit + " VELT_PARAMETER_DIR='" + Backups().string() + "' VELT_CONFIG_DIR='" +
                            (dir / "config").string() + "' '" VELT_CLI_PATH "' --lang en " + args,
                        dir);
    }
    static constexpr const char* kFullDisk = "trap '' XFSZ; ulimit -f 4;"; // 2 KB (dash) or 4 KB

    // The drive's parameters as a .par file in dir.
    fs::path ReadDrive(const std::string& name) const {
        const fs::path file = dir / name;
        const CliRun r = Run("params read --out '" + file.string() + "'");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return file;
    }
    velt::ParamValues Values(const fs::path& file) const {
        velt::ParamValues v{};
        EXPECT_TRUE(ReadParFile(file, &v, false)) << file;
        return v;
    }
    std::vector<fs::path> BackupFiles() const {
        std::vector<fs::path> files;
        std::error_code ec;
        for (const fs::directory_entry& e : fs::directory_iterator(Backups(), ec))
            files.push_back(e.path());
        return files;
    }
    fs::path Backups() const { return dir / "backups"; }
    fs::path StateFile() const { return dir / "drive.state"; }

    fs::path dir;
    std::unique_ptr<ChildProcess> sim;
};

TEST_F(CliDrill, ADriveFallingSilentDuringAWriteIsNamedAndNothingIsStored) {
    const fs::path before = ReadDrive("before.par");
    velt::ParamValues edited = Values(before);
    edited[13] = static_cast<int16_t>(edited[13] + 1);
    const fs::path wanted = dir / "wanted.par";
    ASSERT_TRUE(WriteParFile(wanted, edited, false));

    Fault("silentfor 6 60 on"); // the write of parameter 60 gets no answer
    const CliRun r = Run("params write '" + wanted.string() + "' --yes");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find(" Parameters No.[60] during storage Error has occurred."), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("stored"), std::string::npos) << r.err;
    const std::vector<fs::path> backups = BackupFiles();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(Values(backups[0]), Values(before));
    EXPECT_FALSE(fs::exists(StateFile())) << "no store command";

    Fault("silentfor 6 60 off");
    EXPECT_EQ(Values(ReadDrive("after.par"))[13], edited[13]); // written before the silence, not stored
}

TEST_F(CliDrill, APulledCableEndsTheMonitorWithTheMessageInsteadOfAHang) {
    auto monitor = std::async(std::launch::async, [this] { return Run("monitor --count 60"); });
    // The cable is pulled once the monitor has shown the drive's state (its
    // output passes through dir/stdout, flushed after every line).
    const auto giveUp = Clock::now() + 30s;
    std::string shown;
    while (shown.find("state: word=") == std::string::npos && Clock::now() < giveUp) {
        std::this_thread::sleep_for(20ms);
        ReadWholeFile(dir / "stdout", &shown);
    }
    ASSERT_NE(shown.find("state: word="), std::string::npos) << "the monitor never showed the drive";
    const auto pulled = Clock::now();
    sim->Kill();
    ASSERT_EQ(monitor.wait_for(30s), std::future_status::ready);
    const auto ended = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pulled);
    const CliRun r = monitor.get();
    EXPECT_EQ(r.exitCode, 18) << r.err;
    EXPECT_NE(r.err.find("The driver does not respond."), std::string::npos) << r.err;
    EXPECT_LT(ended, 5 * 1070ms + 2 * 1010ms + 3000ms);
    EXPECT_NE(r.out.find("state: word="), std::string::npos) << "it was monitoring before";

    StartSim(); // the same COM3 serves again for the next run
    EXPECT_EQ(Run("monitor --count 1").exitCode, 0);
}

// velt-cli monitor with its output and messages on one pipe, read as it comes.
std::unique_ptr<ChildProcess> StartMonitor(const std::string& args) {
    return std::make_unique<ChildProcess>(std::vector<std::string>{
        "/bin/sh", "-c", "exec '" VELT_CLI_PATH "' --lang en monitor " + args + " 2>&1"});
}

// Reads lines until one starts with `start`; false at the time limit or the end.
bool ReadUntil(ChildProcess& p, const std::string& start, std::chrono::milliseconds limit,
               std::vector<std::string>* seen = nullptr) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        const std::string line =
            p.ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()));
        if (seen) seen->push_back(line);
        if (line.rfind(start, 0) == 0) return true;
    }
    return false;
}

TEST_F(CliDrill, MonitorWithReconnectRidesThroughAKilledAndRestartedDrive) {
    const std::unique_ptr<ChildProcess> monitor = StartMonitor("--reconnect");
    ASSERT_TRUE(ReadUntil(*monitor, "state: word=", 30s));
    sim->Kill();
    fs::remove(dir / "ports" / "COM3"); // an unplugged adapter's name goes with it
    ASSERT_TRUE(ReadUntil(*monitor, "The driver does not respond.", 30s));
    ASSERT_TRUE(ReadUntil(*monitor, "Reconnecting... (2)", 30s)) << "a try a second, each printed";
    StartSim();
    std::vector<std::string> seen;
    ASSERT_TRUE(ReadUntil(*monitor, "-- connected again after ", 30s, &seen));
    ASSERT_TRUE(ReadUntil(*monitor, "state: word=", 30s)) << "the monitor goes on";
    ASSERT_TRUE(ReadUntil(*monitor, "counters: STATE_REG", 30s));
    monitor->Kill();
}

// The watchdog's time, as velt-cli monitor sees it at 9600 bit/s: from the
// drive falling silent to the message. Five read time-outs of about 1.07 s
// and their drains, and at most one other, make 5.5 to 7.5 s.
TEST_F(CliDrill, ASilentDriveIsGivenUpAfterFiveTimedOutStatePolls) {
    const std::unique_ptr<ChildProcess> monitor = StartMonitor("");
    ASSERT_TRUE(ReadUntil(*monitor, "counters: STATE_REG", 30s));
    Fault("silent on");
    const auto silent = Clock::now();
    ASSERT_TRUE(ReadUntil(*monitor, "The driver does not respond.", 30s));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - silent);
    std::cout << "[ figure   ] velt-cli monitor at 9600 bit/s: watchdog " << took.count()
              << " ms after the drive fell silent\n";
    EXPECT_GE(took, 5 * 1000ms) << "five read time-outs first";
    // 7.5 s as designed, and room for a loaded machine.
    EXPECT_LT(took, 9000ms);
}

TEST_F(CliDrill, StatsCountsTheFailuresOfADriveWithKnownBadReplies) {
    Fault("crcburst 3");
    const CliRun r = Run("stats --seconds 3");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("failures: no reply 0, bad CRC 3, drive exception 0, wrong ID or echo 0"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("round trip over the last minute: median "), std::string::npos) << r.out;
    // The simulated drive answers at once on its pseudo-terminal: no wire rate to hold it against.
    EXPECT_NE(r.out.find("the line answers faster than 9600 bit/s allows"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("latency timer"), std::string::npos) << "a pseudo-terminal has none";
}

TEST_F(CliDrill, ReadsAnsweredJustTooLateAllFailAndNoneIsTakenForTheNext) {
    // 80 ms after the state block's read gave up at 1069 ms: close enough to
    // be a late reply, with room for a loaded machine waking either side late.
    Fault("late 1150");
    const CliRun r = Run("ping --count 4");
    EXPECT_NE(r.out.find(" n=4 errors=4"), std::string::npos) << r.out << r.err;
    Fault("late 0");
    EXPECT_NE(Run("ping --count 4").out.find(" n=4 errors=0"), std::string::npos);
}

TEST_F(CliDrill, ADamagedFileIsRefusedBeforeTheDriveIsTouched) {
    const fs::path before = ReadDrive("before.par");
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(before, &bytes));
    const fs::path cut = dir / "cut.par";
    ASSERT_TRUE(WriteFileAtomically(cut, bytes.substr(0, bytes.size() / 2 + 3)));
    const CliRun r = Run("params write '" + cut.string() + "' --yes");
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_NE(r.err.find("File Load Error"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(cut.string() + ": line "), std::string::npos) << r.err;
    EXPECT_TRUE(BackupFiles().empty());
    EXPECT_FALSE(fs::exists(StateFile()));
}

TEST_F(CliDrill, AFullDiskKeepsTheOldFileAndStoresNothingWithoutABackup) {
    const fs::path kept = ReadDrive("kept.par");
    std::string keptBytes;
    ASSERT_TRUE(ReadWholeFile(kept, &keptBytes));
    velt::ParamValues edited = Values(kept);
    edited[13] = static_cast<int16_t>(edited[13] + 1);
    ASSERT_TRUE(WriteParFile(kept, edited, false)); // the file differs from the drive now
    ASSERT_TRUE(ReadWholeFile(kept, &keptBytes));

    CliRun r = Run("params read --out '" + kept.string() + "'", kFullDisk);
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_NE(r.err.find("File Save Error"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    std::string now;
    ASSERT_TRUE(ReadWholeFile(kept, &now));
    EXPECT_EQ(now, keptBytes);
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        EXPECT_NE(e.path().filename().string()[0], '.') << "a temporary file was left: " << e.path();

    r = Run("params write '" + kept.string() + "' --yes", kFullDisk);
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("The backup of the drive's parameters could not be written."), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("stored"), std::string::npos) << r.err;
    EXPECT_TRUE(BackupFiles().empty());
    EXPECT_NE(Values(ReadDrive("after.par"))[13], edited[13]);
    EXPECT_FALSE(fs::exists(StateFile()));
}

} // namespace
} // namespace velt::test
