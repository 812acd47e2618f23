#include "DemoDrive.h"

#include "sim/SimDrive.h"

#include <cstdlib>
#include <system_error>

namespace velt {

DemoDrive::DemoDrive() {
    if (const char* old = std::getenv("VELT_PORTS_DIR")) {
        hadPortsDir_ = true;
        oldPortsDir_ = old;
    }
}

DemoDrive::~DemoDrive() {
    Stop();
}

bool DemoDrive::Start(std::string* error) {
    std::string pattern = (std::filesystem::temp_directory_path() / "velt-host-demo-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        if (error)
            *error = "cannot create a ports folder in " + std::filesystem::temp_directory_path().string();
        return false;
    }
    folder_ = pattern;
    ::setenv("VELT_PORTS_DIR", folder_.c_str(), 1);

    sim::SimOptions options;
    options.comNumber = 3;
    options.wireTiming = true; // the demo should feel like a 9600 bit/s line
    drive_ = std::make_unique<sim::SimDrive>(options);
    if (!drive_->Start(error)) {
        Stop();
        return false;
    }
    return true;
}

void DemoDrive::Stop() {
    if (drive_) {
        drive_->Stop();
        drive_.reset();
    }
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
        folder_.clear();
        if (hadPortsDir_) {
            ::setenv("VELT_PORTS_DIR", oldPortsDir_.c_str(), 1);
        } else {
            ::unsetenv("VELT_PORTS_DIR");
        }
    }
}

} // namespace velt
