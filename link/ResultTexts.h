#pragma once
// What a request's result means, in both languages, for the messages that
// tell the user a request failed: a drive's or a gateway's exception named
// as such (never as a silent drive or a CRC error), our own failures by
// what happened on the line. The code in brackets is the one velt-cli's
// exit status and the frame log use.
#include "RtuResult.h"
#include "base/LocalText.h"

#include <string>

namespace velt {

inline constexpr LocalText kResultNoReply{"드라이브가 응답하지 않았습니다", "the drive did not answer"};
inline constexpr LocalText kResultCrc{"응답의 CRC가 맞지 않습니다", "the reply's CRC was wrong"};
inline constexpr LocalText kResultRead{"포트에서 읽지 못했습니다", "the port could not be read"};
inline constexpr LocalText kResultWrite{"포트에 쓰지 못했습니다", "the port could not be written"};
inline constexpr LocalText kResultFrame{"다른 드라이브나 다른 요청의 응답이 왔습니다",
                                        "the reply came from another drive or answered another request"};
inline constexpr LocalText kResultNotOpen{"포트가 닫혀 있어 보내지 못했습니다",
                                          "the port was closed; nothing was sent"};
inline constexpr LocalText kResultBroadcast{"드라이브 ID 0(브로드캐스트)에는 아무도 응답하지 않습니다",
                                            "nobody answers drive ID 0 (broadcast)"};
// "the drive refused it with exception 3 (illegal data value)"
inline constexpr LocalText kResultException{"드라이브가 거부했습니다: 예외 {code}{name}",
                                            "the drive refused it with exception {code}{name}"};
// Exceptions 10 and 11 come from a gateway between us and the drive.
inline constexpr LocalText kResultGatewayException{"게이트웨이가 예외로 답했습니다: 예외 {code}{name}",
                                                   "the gateway answered with exception {code}{name}"};

// The standard Modbus exception names, 1 to 11 (7 and 9 are not used).
inline constexpr LocalText kExceptionNames[12] = {
    {"", ""},
    {"허용되지 않는 기능", "illegal function"},
    {"허용되지 않는 주소", "illegal data address"},
    {"허용되지 않는 값", "illegal data value"},
    {"장치 고장", "device failure"},
    {"처리 중", "acknowledge"},
    {"장치 사용 중", "device busy"},
    {"", ""},
    {"메모리 패리티 오류", "memory parity error"},
    {"", ""},
    {"게이트웨이 경로 없음", "gateway path unavailable"},
    {"게이트웨이 뒤의 장치가 응답하지 않음", "gateway target device failed to respond"},
};

// "the drive did not answer (RTU_ERR_NO_REPLY 11)", "the drive refused it
// with exception 4 (device failure)".
std::string ResultReasonText(RtuResult result, bool korean);

} // namespace velt
