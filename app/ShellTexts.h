#pragma once
// The user texts of the application shell: window title, the connection
// bar's status panel and the shell's messages in both languages.
#include "base/LocalText.h"

#include <cstdint>
#include <string>

namespace velt {

// The maker's web site: the end of the main window's title and the page the
// connection bar's logo button opens.
inline constexpr const char* kMakerWebAddress = "https://www.example.com/velt";

std::string MainWindowTitle(); // "VELT Host(V1.0), Ver 20130618   VO ZEREDIR   " + address

inline constexpr LocalText kOkCaption{"확인", "Ok"};

// Reconnecting after the drive stopped answering: the serial settings'
// option and the connection bar's stop button (the status and the frame
// log's notes are link/LinkTexts.h), and the bar's link health and line
// overview buttons.
inline constexpr LocalText kReconnectOption{"자동으로 다시 연결", "Reconnect automatically"};
inline constexpr LocalText kStopCaption{"중지", "Stop"};
inline constexpr LocalText kStopReconnectingName{"재연결 중지", "Stop reconnecting"};
inline constexpr LocalText kLinkHealthCaption{"통신 상태", "Link Health"};
inline constexpr LocalText kLineOverviewCaption{"라인 개요", "Line overview"};
inline constexpr LocalText kCancelCaption{"취소", "Cancel"};
// The logo button has no caption; screen readers announce what it opens.
inline constexpr LocalText kWebSiteName{"웹 사이트", "Web site"};

// "%05d" of the unsigned register split 2.1.2: 12001 -> "12.0.01", 7 -> "00.0.07".
std::string VersionDigits(uint16_t reg);
std::string HwVersionText(uint16_t reg); // "H/W Ver : 12.0.01"
std::string SwVersionText(uint16_t reg); // "S/W Ver : 12.0.01"
std::string DriveIdText(int driveId);    // "Drive ID : 1"
// "COM3, 9600, 8, 0, 1"
std::string PortText(int port, int baud, int dataBits, int parity, int stopBits);
// The same with the port by name: "ttyUSB0, 9600, 8, 0, 1"
std::string PortText(const std::string& port, int baud, int dataBits, int parity, int stopBits);

} // namespace velt
