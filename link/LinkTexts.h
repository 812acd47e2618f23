#pragma once
// The messages of connecting to a drive, in both languages: shown by the
// connection bar and the register monitor, printed by velt-cli.

#include "base/LocalText.h"

#include <cstdint>
#include <string>

namespace velt {

inline constexpr LocalText kPortOpenFail{"포트를 열수가 없습니다.", "Port Open Fail"};
inline constexpr LocalText kAllParamReadFail{
    "전체 파라미터를 모두 읽어 오지 못했습니다.\r\n 통신연결 상태를 확인하시고 다시 연결 하세요.",
    "All Parameter Read Fail. \r\n Check the status of the communication connection and reconnect"};
inline constexpr LocalText kDriverNoResponse{
    "드라이버가 응답하지 않습니다. \r\n 통신연결 상태를 확인하시고 다시 연결 하세요.",
    "The driver does not respond. \r\n Check the status of the communication connection and reconnect"};

// Why a port would not open, the second line of its message (PortOpenText.h).
// Placeholders: {device}, {user}, {group}, {name}, {pid}, {baud}, {system}.
inline constexpr LocalText kPortNoDevice{"{device} 장치가 없습니다. 어댑터가 연결되어 있는지 확인하세요.",
                                         "No such device: {device}. Is the adapter unplugged?"};
inline constexpr LocalText kPortPermission{
    "권한이 없습니다: {user} 사용자는 {device} 포트를 열 수 없습니다. 사용자를 {group} 그룹에 "
    "추가(sudo adduser {user} {group})한 뒤 다시 로그인하세요.",
    "Permission denied: {user} may not open {device}. Add the user to the group {group} "
    "(sudo adduser {user} {group}), then log in again."};
inline constexpr LocalText kPortInUseBy{
    "다른 프로그램이 사용 중입니다: {name}(프로세스 {pid})이(가) {device} 포트를 열고 "
    "있습니다. 그 프로그램을 닫거나 다른 포트를 선택하세요.",
    "In use by another program: {name} (process {pid}) holds {device}. Close it, or "
    "choose another port."};
inline constexpr LocalText kPortInUse{
    "다른 프로그램이 사용 중입니다: {device}. 그 프로그램을 닫거나 다른 포트를 선택하세요.",
    "In use by another program: {device}. Close the other program, or choose another "
    "port."};
inline constexpr LocalText kPortBaudRefused{
    "이 포트는 {baud} bit/s 속도를 받아들이지 않습니다. 목록에 있는 속도를 "
    "선택하세요.",
    "The line refuses {baud} bit/s. Choose one of the listed rates."};
inline constexpr LocalText kPortNotSerial{"{device}은(는) 시리얼 포트가 아닙니다.",
                                          "{device} is not a serial port."};
inline constexpr LocalText kPortOther{"{device}: {system}", "{device}: {system}"};
inline constexpr LocalText kPortOtherUnknown{"{device}: 이 포트를 사용할 수 없습니다.",
                                             "{device}: the port cannot be used."};
inline constexpr LocalText kPortBadName{
    "{device}: 올바른 네트워크 연결 이름이 아닙니다. tcp://호스트:포트 또는 rtu-tcp://호스트:포트 "
    "(포트 1~65535) 형식으로 입력하세요.",
    "{device} is not a valid network line name. Use tcp://HOST:PORT or rtu-tcp://HOST:PORT "
    "(PORT 1 to 65535)."};
inline constexpr LocalText kPortHostNotFound{"{device}: 호스트 이름을 찾을 수 없습니다. {system}",
                                             "{device}: host not found. {system}"};
inline constexpr LocalText kPortRefused{
    "{device}: 연결이 거부되었습니다. 게이트웨이의 주소와 포트 번호를 확인하세요.",
    "{device}: connection refused. Check the gateway's address and port."};
inline constexpr LocalText kPortConnectTimeout{
    "{device}: 정해진 시간 안에 게이트웨이가 응답하지 않았습니다. 네트워크와 주소를 확인하세요.",
    "{device}: the gateway did not answer in time. Check the network and the address."};

// Why a request on a network line failed (CModbusPort::LastLineFault).
// Placeholder: {system}.
inline constexpr LocalText kLineClosed{"게이트웨이가 연결을 끊었습니다.",
                                       "The gateway closed the connection."};
inline constexpr LocalText kLineReset{"네트워크 연결이 끊어졌습니다. {system}",
                                      "The network connection broke. {system}"};
inline constexpr LocalText kLineTransaction{"요청하지 않은 트랜잭션 번호의 응답을 받았습니다.",
                                            "A reply came with a transaction number of no request."};
inline constexpr LocalText kLineProtocol{"응답 헤더의 프로토콜 번호가 Modbus(0)가 아닙니다.",
                                         "A reply header's protocol field is not Modbus (0)."};
inline constexpr LocalText kLineLength{"응답 헤더의 길이가 요청과 맞지 않습니다.",
                                       "A reply header's length does not fit the request."};

// Reconnecting after the drive stopped answering: the connection bar's
// status, velt-cli monitor --reconnect, and the notes in the frame log.
// "Reconnecting... (3)"
inline std::string ReconnectingText(uint32_t attempts, bool korean) {
    return std::string(korean ? "재연결 중... (" : "Reconnecting... (") + std::to_string(attempts) + ")";
}
inline std::string LinkLostNote(bool korean) {
    return korean ? "-- 드라이브가 응답하지 않아 다시 연결을 시도합니다 --"
                  : "-- the drive stopped answering; reconnecting --";
}
// "-- connected again after 3 attempts --"
inline std::string ReconnectedNote(uint32_t attempts, bool korean) {
    const std::string n = std::to_string(attempts);
    if (korean) return "-- " + n + "번째 시도에서 다시 연결되었습니다 --";
    return "-- connected again after " + n + (attempts == 1 ? " attempt --" : " attempts --");
}

} // namespace velt
