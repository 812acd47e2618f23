#include "PortOpenText.h"

#include "LinkTexts.h"

namespace velt {

namespace {

// Placeholders: {device}, {user}, {group}, {name}, {pid}, {baud}, {system}.
constexpr LocalText kNoDevice{"{device} 장치가 없습니다. 어댑터가 연결되어 있는지 확인하세요.",
                              "No such device: {device}. Is the adapter unplugged?"};
constexpr LocalText kPermission{
    "권한이 없습니다: {user} 사용자는 {device} 포트를 열 수 없습니다. 사용자를 {group} 그룹에 "
    "추가(sudo adduser {user} {group})한 뒤 다시 로그인하세요.",
    "Permission denied: {user} may not open {device}. Add the user to the group {group} "
    "(sudo adduser {user} {group}), then log in again."};
constexpr LocalText kInUseBy{
    "다른 프로그램이 사용 중입니다: {name}(프로세스 {pid})이(가) {device} 포트를 열고 "
    "있습니다. 그 프로그램을 닫거나 다른 포트를 선택하세요.",
    "In use by another program: {name} (process {pid}) holds {device}. Close it, or "
    "choose another port."};
constexpr LocalText kInUse{
    "다른 프로그램이 사용 중입니다: {device}. 그 프로그램을 닫거나 다른 포트를 선택하세요.",
    "In use by another program: {device}. Close the other program, or choose another "
    "port."};
constexpr LocalText kBaudRefused{"이 포트는 {baud} bit/s 속도를 받아들이지 않습니다. 목록에 있는 속도를 "
                                 "선택하세요.",
                                 "The line refuses {baud} bit/s. Choose one of the listed rates."};
constexpr LocalText kNotSerial{"{device}은(는) 시리얼 포트가 아닙니다.", "{device} is not a serial port."};
constexpr LocalText kOther{"{device}: {system}", "{device}: {system}"};
constexpr LocalText kOtherUnknown{"{device}: 이 포트를 사용할 수 없습니다.",
                                  "{device}: the port cannot be used."};

// The group most Linux systems give serial devices to.
constexpr const char* kDefaultSerialGroup = "dialout";

} // namespace

std::string PortOpenReason(const SerialOpenError& error, bool korean) {
    const LocalText* text = nullptr;
    switch (error.kind) {
    case OpenFailure::None:
        return {};
    case OpenFailure::NoDevice:
        text = &kNoDevice;
        break;
    case OpenFailure::PermissionDenied:
        text = &kPermission;
        break;
    case OpenFailure::InUse:
        text = error.holderPid > 0 ? &kInUseBy : &kInUse;
        break;
    case OpenFailure::BaudRefused:
        text = &kBaudRefused;
        break;
    case OpenFailure::NotSerial:
        text = &kNotSerial;
        break;
    case OpenFailure::Other:
        text = error.systemText.empty() ? &kOtherUnknown : &kOther;
        break;
    }
    return FillText(text->Pick(korean),
                    {{"{device}", error.device},
                     {"{user}", error.user.empty() ? std::string("$USER") : error.user},
                     {"{group}", error.group.empty() ? std::string(kDefaultSerialGroup) : error.group},
                     {"{name}", error.holderName.empty() ? std::string("?") : error.holderName},
                     {"{pid}", std::to_string(error.holderPid)},
                     {"{baud}", std::to_string(error.baudRate)},
                     {"{system}", error.systemText}});
}

std::string PortOpenFailMessage(const SerialOpenError& error, bool korean) {
    const std::string reason = PortOpenReason(error, korean);
    const std::string first = kPortOpenFail.Pick(korean);
    return reason.empty() ? first : first + "\r\n" + reason;
}

} // namespace velt
