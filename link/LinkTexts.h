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
