// velt-cli scan, ports and the reasons a port will not open, run as programs
// against velt-drive-sim running as a program of its own.
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace velt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class CliScan : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("velt-cli-scan-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "ports");
        fs::create_directories(folder_ / "root/dev/serial/by-id");
        ::setenv("VELT_PORTS_DIR", (folder_ / "ports").c_str(), 1);
        // No device of the machine's own is ever searched or listed here.
        ::setenv("VELT_DEVICE_ROOT", (folder_ / "root").c_str(), 1);
    }
    void TearDown() override {
        // A pulled plug: the simulator serves on after its input closes.
        if (sim_) sim_->Kill();
        sim_.reset();
        ::unsetenv("VELT_PORTS_DIR");
        ::unsetenv("VELT_DEVICE_ROOT");
        fs::remove_all(folder_);
    }

    // velt-drive-sim on COM8 at its own rate and ID; returns its device.
    std::string StartSim(uint32_t baud, int id) {
        sim_ = std::make_unique<ChildProcess>(std::vector<std::string>{VELT_SIM_PATH, "--port", "COM8",
                                                                       "--baud", std::to_string(baud), "--id",
                                                                       std::to_string(id), "--wire-timing"});
        const std::string ready = sim_->ReadLine(20s);
        EXPECT_EQ(ready.rfind("ready COM8 ", 0), 0u) << ready;
        return ready.size() > 11 ? ready.substr(11) : std::string();
    }

    static ProcessResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {VELT_CLI_PATH, "--lang", "en"});
        return RunProcess(args, 120s);
    }

    fs::path folder_;
    std::unique_ptr<ChildProcess> sim_;
};

TEST_F(CliScan, FindsTheDriveAtItsRandomRateAndIdAndPrintsOneLineForIt) {
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    const uint32_t rates[] = {9600, 19200, 38400, 57600, 115200};
    const uint32_t baud = rates[random() % 5];
    const int id = 2 + static_cast<int>(random() % 15);
    SCOPED_TRACE("seed " + std::to_string(seed) + ": " + std::to_string(baud) + " bit/s, ID " +
                 std::to_string(id));
    StartSim(baud, id);

    const ProcessResult r = Cli({"scan", "--port", "COM8", "--ids", "1-16"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "COM8\t" + std::to_string(baud) + "\t" + std::to_string(id) + "\t12.0.01\t12.0.01\n");
    EXPECT_EQ(r.err, "Finished: 1 found\n");

    // The drive answers the settings it was found at.
    const ProcessResult ping = Cli({"--port", "COM8", "--baud", std::to_string(baud), "--id",
                                    std::to_string(id), "ping", "--count", "2"});
    EXPECT_EQ(ping.exitCode, 0) << ping.err;
}

TEST_F(CliScan, WithoutADriveAtTheRatesTriedItSaysSoAndExitsOne) {
    StartSim(9600, 1);
    const ProcessResult r =
        Cli({"scan", "--port", "COM8", "--bauds", "115200,57600", "--ids", "1-3", "--baud", "115200"});
    EXPECT_EQ(r.exitCode, 64) << "--baud is a global option, before the command";
    const ProcessResult none =
        Cli({"--baud", "115200", "scan", "--port", "COM8", "--bauds", "115200,57600", "--ids", "1-3"});
    EXPECT_EQ(none.exitCode, 1) << none.err;
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "No drive found. Check the cable and the drive's power.\n");
}

TEST_F(CliScan, WithoutAPortItSearchesEveryPortAndStopsAtTheFirstDriveWhenAsked) {
    StartSim(38400, 7);
    const ProcessResult r = Cli({"--id", "7", "scan", "--first"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "COM8\t38400\t7\t12.0.01\t12.0.01\n");
    EXPECT_EQ(r.err, "Cancelled: 1 found\n");
}

TEST_F(CliScan, PortsListsTheDevicesAndThePortsFolderOneLineEach) {
    const std::string device = StartSim(9600, 1);
    const fs::path byId = folder_ / "root/dev/serial/by-id/usb-VELT_USB_Link_0042-if00-port0";
    fs::create_symlink(device, byId);
    const ProcessResult r = Cli({"ports"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, byId.string() + "\t" + device + "\tmay open\tVELT USB Link 0042\n")
        << "COM8 is that device";

    fs::remove(byId);
    const ProcessResult folderOnly = Cli({"ports"});
    EXPECT_EQ(folderOnly.out, "COM8\t" + device + "\tmay open\tports folder\n");
    const ProcessResult ko = RunProcess({VELT_CLI_PATH, "--lang", "ko", "ports"});
    EXPECT_EQ(ko.out, "COM8\t" + device + "\t열 수 있음\t포트 폴더\n");

    // An entry that leads nowhere (a device gone) is no port. (The killed
    // simulator's own entry is removed: its terminal may be reused at once.)
    sim_->Kill();
    fs::remove(folder_ / "ports/COM8");
    fs::create_symlink(folder_ / "gone", folder_ / "ports/COM9");
    const ProcessResult none = Cli({"ports"});
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "No serial port found.\n");
}

TEST_F(CliScan, APortThatWillNotOpenTellsWhyAndExitsFifteen) {
    const ProcessResult missing = Cli({"--port", "/dev/velt-no-such-port", "scan"});
    EXPECT_EQ(missing.exitCode, 15);
    EXPECT_EQ(missing.err,
              "Port Open Fail\nNo such device: /dev/velt-no-such-port. Is the adapter unplugged?\n");

    // Another velt-cli holds the drive's line: the second one is told which.
    const std::string device = StartSim(9600, 1);
    ChildProcess monitor({VELT_CLI_PATH, "--lang", "en", "--port", "COM8", "monitor", "--count", "60"});
    const std::string first = monitor.ReadLine(20s);
    ASSERT_EQ(first.rfind("state:", 0), 0u) << first;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--port", "COM8", "ping"},
                                                 std::vector<std::string>{"--port", "COM8", "scan"}}) {
        const ProcessResult busy = Cli(args);
        EXPECT_EQ(busy.exitCode, 15) << args.back();
        EXPECT_EQ(busy.err.rfind("Port Open Fail\nIn use by another program: velt-cli (process ", 0), 0u)
            << busy.err;
        EXPECT_NE(busy.err.find(") holds " + device + ". Close it, or choose another port.\n"),
                  std::string::npos)
            << busy.err;
    }
    monitor.Kill();
}

} // namespace
} // namespace velt::test
