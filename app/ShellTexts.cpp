#include "ShellTexts.h"

#include "link/ScanReport.h"

#include <cstdio>

namespace velt {

std::string MainWindowTitle() {
    return std::string("VELT Host(V1.0), Ver 20130618   VO ZEREDIR   ") + kMakerWebAddress;
}

std::string VersionDigits(uint16_t reg) {
    return DriveVersionDigits(reg);
}

std::string HwVersionText(uint16_t reg) {
    return "H/W Ver : " + VersionDigits(reg);
}

std::string SwVersionText(uint16_t reg) {
    return "S/W Ver : " + VersionDigits(reg);
}

std::string DriveIdText(int driveId) {
    return "Drive ID : " + std::to_string(driveId);
}

std::string PortText(int port, int baud, int dataBits, int parity, int stopBits) {
    return PortText("COM" + std::to_string(port), baud, dataBits, parity, stopBits);
}

std::string PortText(const std::string& port, int baud, int dataBits, int parity, int stopBits) {
    char text[64];
    std::snprintf(text, sizeof text, ", %d, %d, %d, %d", baud, dataBits, parity, stopBits);
    return port + text;
}

} // namespace velt
