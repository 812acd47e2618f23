#include "DemoDrive.h"

#include "platform/PortsFolder.h"
#include "platform/UserFolders.h"
#include "sim/NetworkFront.h"
#include "sim/SimDrive.h"
#include "sim/StdinControl.h"

#include <system_error>

namespace velt {

DemoDrive::DemoDrive() = default;

DemoDrive::~DemoDrive() {
    Stop();
}

bool DemoDrive::Start(std::string* error, uint32_t baud, uint8_t id) {
    return StartLine(error, baud, {id});
}

bool DemoDrive::StartLine(std::string* error, uint32_t baud, const std::vector<uint8_t>& ids) {
    folder_ = MakePrivateTempFolder("velt-host-demo-", error);
    if (folder_.empty()) return false;
    UsePortsFolder(folder_);

    sim::SimOptions options;
    options.comNumber = 3;
    options.wireTiming = true; // the demo should feel like a real line at its rate
    options.baud = baud;
    options.ids = ids.empty() ? std::vector<uint8_t>{1} : ids;
    options.id = options.ids.front();
    baud_ = baud;
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

bool DemoDrive::StartControlInput() {
    if (!drive_) return false;
    control_ = std::make_unique<sim::StdinControl>(*drive_);
    return control_->Start();
}

std::string DemoDrive::NetworkName() const {
    return gateway_ ? "tcp://127.0.0.1:" + std::to_string(gateway_->Port()) : std::string();
}

void DemoDrive::Stop() {
    control_.reset();
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
