#include "DemoDrive.h"

#include "platform/PortsFolder.h"
#include "platform/UserFolders.h"
#include "sim/NetworkFront.h"
#include "sim/SimDrive.h"

#include <system_error>

namespace velt {

DemoDrive::DemoDrive() = default;

DemoDrive::~DemoDrive() {
    Stop();
}

bool DemoDrive::Start(std::string* error, uint32_t baud, uint8_t id) {
    folder_ = MakePrivateTempFolder("velt-host-demo-", error);
    if (folder_.empty()) return false;
    UsePortsFolder(folder_);

    sim::SimOptions options;
    options.comNumber = 3;
    options.wireTiming = true; // the demo should feel like a real line at its rate
    options.baud = baud;
    options.id = id;
    baud_ = baud;
    id_ = id;
    drive_ = std::make_unique<sim::SimDrive>(options);
    if (!drive_->Start(error)) {
        Stop();
        return false;
    }
    return true;
}

bool DemoDrive::StartGateway(std::string* error) {
    if (!drive_) return false;
    gateway_ = std::make_unique<sim::NetworkFront>(sim::FrontKind::ModbusTcp, drive_->DevicePath(), baud_,
                                                   drive_->Ids());
    if (gateway_->Start(0, error)) return true;
    gateway_.reset();
    return false;
}

std::string DemoDrive::NetworkName() const {
    return gateway_ ? "tcp://127.0.0.1:" + std::to_string(gateway_->Port()) : std::string();
}

void DemoDrive::Stop() {
    gateway_.reset();
    if (drive_) {
        drive_->Stop();
        drive_.reset();
    }
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
        folder_.clear();
        UsePortsFolder({});
    }
}

} // namespace velt
