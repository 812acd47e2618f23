#pragma once
// What a scan for drives tells the user: its progress, its outcome, the
// ports it could not search and the drives it found, in the language chosen.
#include "DriveScan.h"

#include <string>

namespace velt {

// "57600 bit/s, ID 17 - 1 found" for the probe running now.
std::string ScanProgressText(const ScanStatus& status, bool korean);
// "Finished: 2 found", "Cancelled: 0 found", or that no drive was found.
std::string ScanOutcomeText(const ScanStatus& status, bool korean);
// "COM3: No such device: ..." for a port that could not be searched.
std::string ScanPortErrorText(const PortScanError& error, bool korean);
// The versions of a drive found ("12.0.01"), or the exception it answered with.
std::string FoundVersionText(const FoundDrive& drive, uint16_t version, bool korean);
// "%05d" of the unsigned register, split 2.1.2: 12001 -> "12.0.01".
std::string DriveVersionDigits(uint16_t reg);

} // namespace velt
