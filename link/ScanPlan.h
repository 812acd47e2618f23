#pragma once
// The order and the timing of a scan for drives: which rate and drive ID
// each probe tries, and how long it waits for an answer.
#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velt {

// The rates of the serial settings window's list, slowest first.
inline constexpr uint32_t kScanBauds[] = {9600, 19200, 38400, 57600, 115200};
// Modbus slave addresses a drive may have; 0 is broadcast, 248 to 255 are
// reserved.
inline constexpr uint8_t kFirstDriveId = 1;
inline constexpr uint8_t kLastDriveId = 247;

// One probe: a read of the version registers at this rate and drive ID.
struct ScanProbe {
    uint32_t Baud = 0;
    uint8_t Id = 0;
    // The probes of the first two rounds wait longer (ThoroughProbeWait), so
    // that a drive slower to answer than most is still found there.
    bool Thorough = false;
    bool operator==(const ScanProbe& other) const { return Baud == other.Baud && Id == other.Id; }
};

struct ScanOrder {
    uint32_t CurrentBaud = 9600; // the settings in use: the very first probe
    uint8_t CurrentId = 1;
    uint8_t LastUsedId = 1;          // tried at every rate in the second round
    std::vector<uint32_t> Bauds;     // the rates to try; empty: kScanBauds
    uint8_t FirstId = kFirstDriveId; // the IDs of the last round
    uint8_t LastId = kLastDriveId;
};

// The probes in the order they run: the current settings (whatever the
// lists say, when the ID is a drive's); then ID 1 and the last ID used at
// every rate, fastest first; then every ID from FirstId to LastId at each
// rate, fastest first. After the first, only rates of Bauds and IDs of the
// range; no probe twice.
std::vector<ScanProbe> MakeScanPlan(const ScanOrder& order);

// How long a probe at `baud` waits for the first byte of the answer and for
// the answer to end: the 8-byte request and the 9-byte reply on the line
// (10 bits a byte), the 3.5-character gap that ends a frame, the drive's
// turnaround and the latency of a USB adapter.
std::chrono::milliseconds ProbeWait(uint32_t baud);
// The wait of a thorough probe, and of a second look at an answer that came
// cut short or from another drive ID.
std::chrono::milliseconds ThoroughProbeWait(uint32_t baud);
// The silence after a byte that ends an answer at `baud`.
std::chrono::milliseconds ProbeByteGap(uint32_t baud);

// "9600,115200" -> those rates (each from 300 to 4000000, no repeats kept);
// false for anything else or an empty list.
bool ParseBaudList(std::string_view text, std::vector<uint32_t>* bauds);
// "1-247" or "17" -> the range (within 1 to 247, first <= last); false for
// anything else.
bool ParseIdRange(std::string_view text, uint8_t* first, uint8_t* last);

} // namespace velt
