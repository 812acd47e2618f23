#pragma once
// The serial settings window's refusals of a typed field, in both languages
// (SerialSettingsText.h). Placeholders: {field}, the field's caption, and
// {text}, what was typed, quoted.
#include "base/LocalText.h"

namespace velt {

// The first line: what is wrong with the field.
inline constexpr LocalText kFieldEmpty{"{field} 이(가) 비어 있습니다.", "{field} is empty."};
inline constexpr LocalText kFieldNotValid{"{text} 은(는) 올바른 {field} 이(가) 아닙니다.",
                                          "{text} is not a valid {field}."};

// The second line: what the field takes.
inline constexpr LocalText kPortTakes{"Port 에는 COM1 ~ COM30 이나 목록에 있는 장치를 선택하세요.",
                                      "Port takes COM1 to COM30 or a device from its list."};
inline constexpr LocalText kNetworkLineTakes{
    "네트워크 연결은 tcp://호스트:포트 또는 rtu-tcp://호스트:포트 (포트 1 ~ 65535) 형식으로 입력하세요.",
    "A network line is tcp://HOST:PORT or rtu-tcp://HOST:PORT (PORT 1 to 65535)."};
// Beside the baud field while the port is a network line.
inline constexpr LocalText kBaudNotForNetwork{"네트워크 연결에는 Baud Rate 가 적용되지 않습니다.",
                                              "Baud Rate does not apply to a network line."};
inline constexpr LocalText kBaudTakes{"Baud Rate 에는 9600, 115200 과 같은 양의 정수를 입력하세요.",
                                      "Baud Rate takes a positive whole number, such as 9600 or 115200."};
inline constexpr LocalText kDriveIdTakes{
    "Drive ID 에는 0 ~ 255 사이의 정수를 입력하세요. (0 은 브로드캐스트 주소입니다.)",
    "Drive ID takes a whole number from 0 to 255 (0 is the broadcast address)."};

} // namespace velt
