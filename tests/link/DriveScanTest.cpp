// The drive scan against simulated drives on pseudo-terminals: it finds a
// drive hidden at a rate and ID chosen at random, never writes, leaves the
// line as it found it, stops when cancelled, and searches several ports at
// once.
#include "link/DriveScan.h"
#include "link/ScanPlan.h"
#include "sim/SimDrive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <random>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace velt {
namespace {

using namespace std::chrono_literals;

// Far more than any scan here takes; only a hang runs into it.
constexpr auto kScanLimit = 120s;
constexpr uint16_t kVersion = 12001; // what the simulated drive reports

std::unique_ptr<sim::SimDrive> StartDrive(uint32_t baud, uint8_t id, bool wireTiming = true) {
    sim::SimOptions options;
    options.baud = baud;
    options.id = id;
    options.wireTiming = wireTiming;
    options.publish = false;
    auto drive = std::make_unique<sim::SimDrive>(options);
    std::string error;
    EXPECT_TRUE(drive->Start(&error)) << error;
    return drive;
}

// The speed the line is set to now, as any program opening it finds it.
speed_t LineSpeed(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::close(fd);
    return ::cfgetospeed(&tio);
}

void SetLineSpeed(const std::string& device, speed_t speed) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfsetspeed(&tio, speed);
    ::tcsetattr(fd, TCSANOW, &tio);
    ::close(fd);
}

TEST(DriveScan, FindsADriveHiddenAtARandomRateAndIdWithoutEverWriting) {
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    const uint32_t baud = kScanBauds[random() % std::size(kScanBauds)];
    const uint8_t id = static_cast<uint8_t>(2 + random() % 31); // 2..32: the search below covers 1-32
    SCOPED_TRACE("seed " + std::to_string(seed) + ": drive at " + std::to_string(baud) + " bit/s, ID " +
                 std::to_string(id));
    auto drive = StartDrive(baud, id);
    // Whatever the line was set to before (here 230400 bit/s) it is again after.
    SetLineSpeed(drive->DevicePath(), B230400);

    DriveScan scan;
    ScanOrder order; // the default settings: 9600 bit/s, ID 1
    order.LastId = 32;
    ASSERT_TRUE(scan.Start({drive->DevicePath()}, order));
    EXPECT_FALSE(scan.Start({drive->DevicePath()}, order)) << "one scan at a time";
    ASSERT_TRUE(scan.Wait(kScanLimit));

    const ScanStatus status = scan.Status();
    EXPECT_FALSE(status.Running);
    EXPECT_FALSE(status.Cancelled);
    EXPECT_EQ(status.Done, status.Total);
    EXPECT_TRUE(status.PortErrors.empty());
    const std::vector<FoundDrive> found = scan.Found();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Port, drive->DevicePath());
    EXPECT_EQ(found[0].Baud, baud);
    EXPECT_EQ(found[0].Id, id);
    EXPECT_EQ(found[0].HwVersion, kVersion);
    EXPECT_EQ(found[0].SwVersion, kVersion);
    EXPECT_EQ(found[0].Exception, 0);

    EXPECT_EQ(drive->WriteRequests(), 0u) << "a scan only reads";
    const std::vector<sim::SimRequest> heard = drive->Requests();
    // One request per probe; a drive answering late under load may earn one
    // second look.
    EXPECT_GE(heard.size(), status.Total);
    EXPECT_LE(heard.size(), status.Total + 1);
    for (const sim::SimRequest& r : heard) {
        EXPECT_EQ(r.function, 3);
        EXPECT_EQ(r.address, 142);
        EXPECT_EQ(r.value, 2);
    }
    EXPECT_EQ(LineSpeed(drive->DevicePath()), static_cast<speed_t>(B230400));
    EXPECT_EQ(status.Timings.size(), std::size(kScanBauds));
}

TEST(DriveScan, ACancelEndsTheScanAfterTheProbeItIsInAndLeavesTheLineAsItWas) {
    auto drive = StartDrive(9600, 200); // found only near the very end
    SetLineSpeed(drive->DevicePath(), B57600);
    std::vector<FoundDrive> seen;
    DriveScan scan;
    ASSERT_TRUE(scan.Start({drive->DevicePath()}, ScanOrder{}));
    while (scan.Status().Done < 20)
        std::this_thread::sleep_for(5ms);
    scan.Cancel();
    // The cancel takes one probe; this limit only catches a hang.
    ASSERT_TRUE(scan.Wait(5s));
    const ScanStatus status = scan.Status();
    EXPECT_TRUE(status.Cancelled);
    EXPECT_FALSE(status.Running);
    EXPECT_LT(status.Done, status.Total) << "the progress stays where the scan ended";
    EXPECT_LT(drive->Requests().size(), 40u) << "no probe after the cancel came";
    EXPECT_TRUE(scan.Found().empty());
    EXPECT_EQ(LineSpeed(drive->DevicePath()), static_cast<speed_t>(B57600));

    // The port is free again: a new scan finds the drive where the user
    // expects it (its ID was the last one used).
    ScanOrder order;
    order.LastUsedId = 200;
    ASSERT_TRUE(scan.Start({drive->DevicePath()}, order));
    while (scan.Found().empty() && scan.Status().Running)
        std::this_thread::sleep_for(5ms);
    scan.Cancel();
    ASSERT_TRUE(scan.Wait(5s));
    ASSERT_EQ(scan.Found().size(), 1u);
    EXPECT_EQ(scan.Found()[0].Id, 200);
}

TEST(DriveScan, PortsAreSearchedAtOnceAndOneThatWillNotOpenIsReported) {
    auto first = StartDrive(115200, 3, false);
    auto second = StartDrive(19200, 4, false);
    DriveScan scan;
    std::mutex lock;
    std::vector<std::string> reported;
    scan.OnFound = [&](const FoundDrive& d) {
        std::lock_guard guard(lock);
        reported.push_back(d.Port);
    };
    ScanOrder order;
    order.Bauds = {19200, 115200};
    order.LastId = 5;
    ASSERT_TRUE(scan.Start({first->DevicePath(), "/dev/velt-no-such-port", second->DevicePath()}, order));
    ASSERT_TRUE(scan.Wait(kScanLimit));
    const ScanStatus status = scan.Status();
    EXPECT_EQ(status.Done, status.Total);
    ASSERT_EQ(status.PortErrors.size(), 1u);
    EXPECT_EQ(status.PortErrors[0].Port, "/dev/velt-no-such-port");
    EXPECT_TRUE(status.PortErrors[0].AtOpen);
    EXPECT_EQ(status.PortErrors[0].Error.kind, OpenFailure::NoDevice);
    const std::vector<FoundDrive> found = scan.Found();
    ASSERT_EQ(found.size(), 2u);
    for (const FoundDrive& d : found) {
        const bool isFirst = d.Port == first->DevicePath();
        EXPECT_EQ(d.Baud, isFirst ? 115200u : 19200u);
        EXPECT_EQ(d.Id, isFirst ? 3 : 4);
    }
    std::lock_guard guard(lock);
    EXPECT_EQ(reported.size(), 2u) << "each find is told as it comes";
}

TEST(DriveScan, GarbageAtTheWrongRatesIsNoDriveAndASlowDriveIsStillFound) {
    auto drive = StartDrive(38400, 9);
    drive->SetWrongRate(sim::WrongRate::Garbage);
    DriveScan scan;
    ScanOrder order;
    order.LastId = 12;
    ASSERT_TRUE(scan.Start({drive->DevicePath()}, order));
    ASSERT_TRUE(scan.Wait(kScanLimit));
    ASSERT_EQ(scan.Found().size(), 1u);
    EXPECT_EQ(scan.Found()[0].Baud, 38400u);
    EXPECT_EQ(scan.Found()[0].Id, 9);

    // A drive that answers 60 ms later than the plain probes wait: the
    // first rounds give it time (here ID 1, tried at every rate).
    auto slow = StartDrive(19200, 1);
    slow->SetLateMs(static_cast<int>(ProbeWait(19200).count()) + 20);
    DriveScan again;
    order.CurrentBaud = 9600;
    order.LastId = 2;
    ASSERT_TRUE(again.Start({slow->DevicePath()}, order));
    ASSERT_TRUE(again.Wait(kScanLimit));
    ASSERT_EQ(again.Found().size(), 1u);
    EXPECT_EQ(again.Found()[0].Baud, 19200u);
    EXPECT_EQ(slow->WriteRequests(), 0u);
}

} // namespace
} // namespace velt
