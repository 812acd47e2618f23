#pragma once
// A simulated VELT drive: a Modbus RTU slave on a pseudo-terminal with the
// drive's register map, a simple motion model and fault injection. Used by the
// tests, the benchmarks, velt-drive-sim and velt-host --demo.
//
// All public members are thread-safe.
#include "LineRate.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velt::sim {

struct SimOptions {
    int comNumber = 3; // published as COM<n> in the ports folder
    uint8_t id = 1;    // own slave address
    // Several drives on one line, each answering its own address with its
    // own parameters, state and motion (the state file is the first one's).
    // Empty: the one drive of `id`.
    std::vector<uint8_t> ids;
    uint32_t baud = 9600; // own rate: answers only requests sent at it; wire timing; the pty's first speed
    WrongRate wrongRate = WrongRate::Ignore; // what a request at another rate gets (LineRate.h)
    bool wireTiming = false;                 // answer only after request + reply line time + 3.5 chars
    std::string stateFile;                   // stored parameters (code 7); loaded at start when present
    bool publish = true;                     // create the COMn entry in PortsFolder() (removed on Stop)
    // Every write the drive carries out (functions 5 and 6 that it did not
    // refuse) is appended to this file as "<steady-clock ns> <function>
    // <address> <value>", flushed line by line, so that a restarted drive
    // goes on with the same file. Empty: no file.
    std::string writeLog;
};

// One request as the slave received it (CRC good, any address).
struct SimRequest {
    uint8_t slave = 0;
    uint8_t function = 0;
    uint16_t address = 0;
    uint16_t value = 0;    // quantity, coil state or register value
    uint32_t lineRate = 0; // the speed the master had set when it came (0 unknown)
    bool atOwnRate = true; // lineRate is the drive's own: the drive could make it out
};

class SimDrive {
public:
    explicit SimDrive(SimOptions options = {});
    ~SimDrive(); // Stop()
    SimDrive(const SimDrive&) = delete;
    SimDrive& operator=(const SimDrive&) = delete;

    // Opens the pseudo-terminal, publishes COMn (when options.publish) and
    // starts serving. False with a reason in *error on failure.
    bool Start(std::string* error = nullptr);
    void Stop(); // stops serving, removes the COMn entry; idempotent

    std::string DevicePath() const; // the device a master opens, e.g. /dev/pts/7
    std::string ComName() const;    // "COM3"

    // The addresses served, in the order given.
    std::vector<uint8_t> Ids() const;
    // The drive that the drive's own state and set-up below act on (alarm,
    // inputs, servo, refused registers, silence, inspection): one address, or
    // 0 for every drive (inspection then reads the first). False, nothing
    // changed, for an address not served.
    bool SelectDrive(uint8_t id);

    // Fault injection (same meaning as the velt-drive-sim stdin commands).
    // Silence takes the selected drive (every drive when none is); the other
    // faults are the line's.
    void SetSilent(bool on);
    void SetBadCrc(bool on);
    void SetCrcBurst(int replies); // the next `replies` replies with a corrupted CRC
    void SetWrongId(bool on);
    void SetLateMs(int ms); // 0 = off
    // Sends the first half of each reply on time and the rest ms
    // milliseconds later: a reply that stops half way. 0 = off.
    void SetSplitMs(int ms);
    // Answers as a drive sending at `baud` bit/s would arrive at the line's
    // own rate (options.baud): what the master's UART makes of it, garbage
    // of a plausible length. Requests are still understood and carried out.
    // 0 = the line's own rate.
    void SetTxBaud(uint32_t baud);
    void SetRefuse(int reg, bool on);
    // Answers every request addressed to it with exception `code` and carries
    // none out, as a drive that refuses everything or a gateway that cannot
    // reach it (10, 11) would; 0 answers normally again.
    void SetAnswerException(uint8_t code);
    void RaiseAlarm(int alarm); // 0 clears like RESET
    void SetInput(int k, bool on);
    void ServoOff();
    // Stay silent only for requests with this function code and start
    // address (e.g. function 3 at 72: the third block of a parameter read).
    void SetSilentFor(uint8_t function, uint16_t address, bool on);
    // What requests sent at another rate than the drive's own get.
    void SetWrongRate(WrongRate mode);
    // Turns every fault mode above off (alarms and inputs are drive state and
    // stay as they are).
    void ClearFaults();
    // One line of the stdin control protocol ("silent on", "input 3 1", ...).
    // False with a message in *error for an unknown or malformed line.
    bool ApplyControlLine(const std::string& line, std::string* error = nullptr);

    // Inspection and set-up for tests.
    uint16_t Holding(int reg) const;
    void SetHolding(int reg, uint16_t value); // bypasses range checks
    uint16_t InputReg(int reg) const;
    bool Coil(int k) const;
    bool Input(int k) const;
    std::vector<SimRequest>
    Requests() const; // requests received since ClearRequests (the most recent 131072)
    void ClearRequests();
    // The writes carried out since the start (the most recent 131072), as
    // the write log has them.
    std::vector<SimRequest> ExecutedWrites() const;
    // Write requests (functions 5 and 6) heard since the start, at any rate
    // and to any address, answered or not; ClearRequests leaves it.
    uint64_t WriteRequests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velt::sim
