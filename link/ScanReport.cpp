#include "ScanReport.h"

#include "PortOpenText.h"
#include "ScanTexts.h"

#include <cstdio>

namespace velt {

std::string ScanProgressText(const ScanStatus& status, bool korean) {
    return FillText(kScanProgress.Pick(korean), {{"{baud}", std::to_string(status.Baud)},
                                                 {"{id}", std::to_string(status.Id)},
                                                 {"{found}", std::to_string(status.Found)}});
}

std::string ScanOutcomeText(const ScanStatus& status, bool korean) {
    if (status.Running) return kScanRunning.Pick(korean);
    if (!status.Cancelled && status.Found == 0) return kScanNoDrive.Pick(korean);
    const LocalText& text = status.Cancelled ? kScanCancelled : kScanFinished;
    return FillText(text.Pick(korean), {{"{found}", std::to_string(status.Found)}});
}

std::string ScanPortErrorText(const PortScanError& error, bool korean) {
    // A line that failed half way has no system words of its own.
    if (error.Error.kind == OpenFailure::Other && error.Error.systemText.empty())
        return FillText(kScanLineFailed.Pick(korean), {{"{port}", error.Port}});
    return error.Port + ": " + PortOpenReason(error.Error, korean);
}

std::string DriveVersionDigits(uint16_t reg) {
    char d[16];
    std::snprintf(d, sizeof d, "%05d", static_cast<int>(reg));
    return std::string(d, 2) + "." + std::string(d + 2, 1) + "." + std::string(d + 3, 2);
}

std::string FoundVersionText(const FoundDrive& drive, uint16_t version, bool korean) {
    if (drive.Exception != 0)
        return FillText(kScanException.Pick(korean), {{"{code}", std::to_string(drive.Exception)}});
    return DriveVersionDigits(version);
}

} // namespace velt
