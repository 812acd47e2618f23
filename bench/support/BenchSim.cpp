#include "BenchSim.h"

#include <cstdio>
#include <string>

namespace velt::bench {

std::unique_ptr<sim::SimDrive> StartWireTimedSim(uint32_t baud) {
    sim::SimOptions options;
    options.baud = baud;
    options.wireTiming = true;
    options.publish = false;
    auto sim = std::make_unique<sim::SimDrive>(options);
    std::string error;
    if (!sim->Start(&error)) {
        std::fprintf(stderr, "simulated drive: %s\n", error.c_str());
        return nullptr;
    }
    return sim;
}

bool ConnectToSim(CDriveLink& link, const sim::SimDrive& sim, uint32_t baud) {
    link.StartThread();
    if (link.Connect({sim.DevicePath(), baud}).kind != OpenFailure::None) {
        std::fprintf(stderr, "cannot open %s\n", sim.DevicePath().c_str());
        link.StopThread();
        return false;
    }
    return true;
}

} // namespace velt::bench
