#pragma once
// The simulated drive of "velt-host --demo": a SimDrive on its own
// pseudo-terminal, published as COM3 in a private ports folder that exists for
// this run only. Start it before anything resolves a port name: from then on
// until Stop, that folder is the program's ports folder (UsePortsFolder).
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace velt {

namespace sim {
class NetworkFront;
class SimDrive;
class StdinControl;
} // namespace sim

class DemoDrive {
public:
    DemoDrive();
    ~DemoDrive(); // stops the drive, removes the folder, gives up the ports folder
    DemoDrive(const DemoDrive&) = delete;
    DemoDrive& operator=(const DemoDrive&) = delete;

    // False with a reason in *error when the folder or the drive cannot be made.
    // The drive answers as `id`, and only at its own rate `baud`.
    bool Start(std::string* error, uint32_t baud = 9600, uint8_t id = 1);
    // The same with a drive for each of `ids` on the line (none: ID 1).
    bool StartLine(std::string* error, uint32_t baud, const std::vector<uint8_t>& ids);
    // Hands the lines of this program's standard input to the drives'
    // control while the demo runs (sim/StdinControl.h). After Start.
    bool StartControlInput();
    // Puts a Modbus TCP gateway on loopback in front of the started drive.
    // False with a reason in *error.
    bool StartGateway(std::string* error);
    // "tcp://127.0.0.1:PORT" while the gateway serves; empty otherwise.
    std::string NetworkName() const;
    void Stop();

    sim::SimDrive* Drive() const { return drive_.get(); }
    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::unique_ptr<sim::SimDrive> drive_;
    std::unique_ptr<sim::NetworkFront> gateway_;
    std::unique_ptr<sim::StdinControl> control_;
    uint32_t baud_ = 9600;
};

} // namespace velt
