#pragma once
// The simulated drive of "velt-host --demo": a SimDrive on its own
// pseudo-terminal, published as COM3 in a private ports folder that exists for
// this run only. Construct it before anything resolves a port name: the
// constructor points VELT_PORTS_DIR at the private folder.
#include <filesystem>
#include <memory>
#include <string>

namespace velt {

namespace sim {
class SimDrive;
}

class DemoDrive {
public:
    DemoDrive();
    ~DemoDrive(); // stops the drive, removes the folder, restores VELT_PORTS_DIR
    DemoDrive(const DemoDrive&) = delete;
    DemoDrive& operator=(const DemoDrive&) = delete;

    // False with a reason in *error when the folder or the drive cannot be made.
    bool Start(std::string* error);
    void Stop();

    sim::SimDrive* Drive() const { return drive_.get(); }
    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::unique_ptr<sim::SimDrive> drive_;
    bool hadPortsDir_ = false;
    std::string oldPortsDir_;
};

} // namespace velt
