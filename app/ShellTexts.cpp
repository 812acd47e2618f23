#include "ShellTexts.h"

#include <cstdio>

namespace velt {

std::string MainWindowTitle() {
    return std::string("VELT Host(V1.0), Ver 20130618   VO ZEREDIR   ") + kMakerWebAddress;
}

std::string VersionDigits(uint16_t reg) {
    char d[16];
    std::snprintf(d, sizeof d, "%05d", static_cast<int>(reg));
    return std::string(d, 2) + "." + std::string(d + 2, 1) + "." + std::string(d + 3, 2);
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
    char text[96];
    std::snprintf(text, sizeof text, "COM%d, %d, %d, %d, %d", port, baud, dataBits, parity, stopBits);
    return text;
}

} // namespace velt
