#pragma once
// A scan for drives: on each port given, one thread runs the probes of a
// ScanPlan (a read of the version registers at each rate and ID, never a
// write) and lists every drive that answers. The port is opened
// exclusively for the scan, and its line settings are put back as they were
// before it is closed again.
//
// The owner (one thread, the user-interface thread in the program) calls
// Start, Cancel, Wait and the destructor; Status and Found may be called
// from any thread and return snapshots taken under a short lock.
#include "ScanPlan.h"
#include "base/StoppableWorker.h"
#include "platform/SerialDevice.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace velt {

struct FoundDrive {
    std::string Port; // as given to Start
    uint32_t Baud = 0;
    uint8_t Id = 0;
    uint16_t HwVersion = 0; // holding registers 142 and 143 as received
    uint16_t SwVersion = 0;
    uint8_t Exception = 0; // a Modbus device that answered the read with this exception; 0 for a drive
};

// A port that could not be scanned (it did not open), or whose line failed
// during the scan.
struct PortScanError {
    std::string Port;
    SerialOpenError Error;
    bool AtOpen = false; // the port did not open: nothing was searched there
};

// The time the probes took at one rate: what a probe costs there.
struct RateTiming {
    uint32_t Baud = 0;
    size_t Probes = 0;
    std::chrono::microseconds Total{0};
};

struct ScanStatus {
    std::string Port; // the probe started last
    uint32_t Baud = 0;
    uint8_t Id = 0;
    size_t Done =
        0; // probes run or skipped (a port that failed), over all ports; short of Total when cancelled
    size_t Total = 0;
    size_t Found = 0;
    bool Running = false;   // a port's thread is still at work
    bool Cancelled = false; // Cancel came before the plan ran out
    std::vector<PortScanError> PortErrors;
    std::vector<RateTiming> Timings; // by rate, in the order first probed
};

class DriveScan {
public:
    using LineFactory = std::function<std::unique_ptr<SerialLine>()>;

    // Lines come from `factory`; by default the platform's serial device.
    explicit DriveScan(LineFactory factory = {});
    ~DriveScan(); // cancels and waits for every thread
    DriveScan(const DriveScan&) = delete;
    DriveScan& operator=(const DriveScan&) = delete;

    // Called on a scanning thread for each drive found, right after it is
    // added to Found(). Must be thread-safe and quick. Set before Start.
    std::function<void(const FoundDrive&)> OnFound;

    // Scans each port (a COM name or a device path) on a thread of its own.
    // False when a scan is still running, or no port was given.
    bool Start(const std::vector<std::string>& ports, const ScanOrder& order);
    // Asks every thread to end after the probe it is in (at most one
    // thorough probe, 140 ms at 9600 bit/s); returns at once.
    void Cancel();
    // Waits up to `limit` for every thread to end; true when all have.
    bool Wait(std::chrono::milliseconds limit);

    ScanStatus Status() const;
    std::vector<FoundDrive> Found() const; // in the order found

private:
    void ScanPort(const std::stop_token& stop, const std::string& port);
    bool RunProbe(const std::stop_token& stop, SerialLine& line, const std::string& port,
                  const ScanProbe& probe, bool network);
    void AddFound(FoundDrive drive);
    void AddPortError(const std::string& port, const SerialOpenError& error, bool atOpen = false);
    void AddTiming(uint32_t baud, std::chrono::steady_clock::duration took);
    bool AlreadyFound(const std::string& port, uint32_t baud, uint8_t id) const;
    void MarkDone(size_t probes);
    void EndPort(size_t skipped); // a port's thread, as its last act

    LineFactory factory_;
    std::vector<ScanProbe> plan_; // written by Start only while no thread runs

    mutable std::mutex lock_; // guards the members below
    std::condition_variable ended_;
    ScanStatus status_;
    std::vector<FoundDrive> found_;
    size_t runningPorts_ = 0;

    // Last: the threads end before the members they use go.
    std::vector<std::unique_ptr<StoppableWorker>> workers_;
};

} // namespace velt
