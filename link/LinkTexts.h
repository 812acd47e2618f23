#pragma once
// The messages of connecting to a drive, in both languages: shown by the
// connection bar and the register monitor, printed by velt-cli.

#include "base/LocalText.h"

namespace velt {

inline constexpr LocalText kPortOpenFail{"포트를 열수가 없습니다.", "Port Open Fail"};
inline constexpr LocalText kAllParamReadFail{
    "전체 파라미터를 모두 읽어 오지 못했습니다.\r\n 통신연결 상태를 확인하시고 다시 연결 하세요.",
    "All Parameter Read Fail. \r\n Check the status of the communication connection and reconnect"};
inline constexpr LocalText kDriverNoResponse{
    "드라이버가 응답하지 않습니다. \r\n 통신연결 상태를 확인하시고 다시 연결 하세요.",
    "The driver does not respond. \r\n Check the status of the communication connection and reconnect"};

} // namespace velt
