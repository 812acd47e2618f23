#pragma once
// The simulated drive the benchmarks measure against: served in-process on a
// pseudo-terminal with wire timing, so that each exchange takes the line time
// a real drive at that rate would, and without a COMn entry in the ports
// folder, so that a benchmark never disturbs a running program's ports.
#include "link/CDriveLink.h"
#include "sim/SimDrive.h"

#include <cstdint>
#include <memory>

namespace velt::bench {

// The drive at `baud`, serving; null (with the reason on stderr) when it
// could not start.
std::unique_ptr<sim::SimDrive> StartWireTimedSim(uint32_t baud);

// Starts the link's polling thread and connects it to the drive at `baud`.
// False (with the device on stderr and the thread stopped again) when the
// drive did not answer.
bool ConnectToSim(CDriveLink& link, const sim::SimDrive& sim, uint32_t baud);

} // namespace velt::bench
