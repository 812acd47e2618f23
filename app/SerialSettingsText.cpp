#include "SerialSettingsText.h"

#include "base/LeadingNumber.h"

#include <cstdint>
#include <limits>
#include <optional>

namespace velt {

namespace {

int LeadingNumber(std::u16string_view text) {
    return ReadLeadingNumber(text).value;
}

// First line: what is wrong with the text of `field`; second: what it takes.
std::string FieldMessage(std::string_view text, const char* field, bool korean, const char* takesKo,
                         const char* takesEn) {
    std::string first;
    if (TrimBlanks(text).empty())
        first = korean ? std::string(field) + " 이(가) 비어 있습니다." : std::string(field) + " is empty.";
    else
        first = korean ? QuotedForMessage(text) + " 은(는) 올바른 " + field + " 이(가) 아닙니다."
                       : QuotedForMessage(text) + " is not a valid " + field + ".";
    return first + "\r\n" + (korean ? takesKo : takesEn);
}

} // namespace

SerialSettingsCheck CheckSerialSettings(std::string_view portText, bool portIsDevice,
                                        std::string_view baudText, std::string_view driveIdText,
                                        bool korean) {
    SerialSettingsCheck check;
    SerialSettingsInput values;

    if (!portIsDevice) {
        const std::string_view port = TrimBlanks(portText);
        std::optional<int64_t> number;
        if (port.size() > 3 && (port[0] == 'C' || port[0] == 'c') && (port[1] == 'O' || port[1] == 'o') &&
            (port[2] == 'M' || port[2] == 'm') && port[3] >= '0' && port[3] <= '9') // "COM 3" names no port
            number = ReadWholeNumber(port.substr(3));
        if (!number || *number < kFirstComPort || *number > kLastComPort) {
            check.bad = SerialField::Port;
            check.message = FieldMessage(portText, "Port", korean,
                                         "Port 에는 COM1 ~ COM30 이나 목록에 있는 장치를 선택하세요.",
                                         "Port takes COM1 to COM30 or a device from its list.");
            return check;
        }
        values.PortNumber = static_cast<uint8_t>(*number);
    }

    const std::optional<int64_t> baud = ReadWholeNumber(baudText);
    if (!baud || *baud < 1 || *baud > std::numeric_limits<int32_t>::max()) {
        check.bad = SerialField::Baud;
        check.message = FieldMessage(baudText, "Baud Rate", korean,
                                     "Baud Rate 에는 9600, 115200 과 같은 양의 정수를 입력하세요.",
                                     "Baud Rate takes a positive whole number, such as 9600 or 115200.");
        return check;
    }
    values.BaudRate = static_cast<int32_t>(*baud);

    const std::optional<int64_t> id = ReadWholeNumber(driveIdText);
    if (!id || *id < 0 || *id > kLargestDriveId) {
        check.bad = SerialField::DriveId;
        check.message =
            FieldMessage(driveIdText, "Drive ID", korean,
                         "Drive ID 에는 0 ~ 255 사이의 정수를 입력하세요. (0 은 브로드캐스트 주소입니다.)",
                         "Drive ID takes a whole number from 0 to 255 (0 is the broadcast address).");
        return check;
    }
    values.DriveId = static_cast<uint8_t>(*id);
    check.values = values;
    return check;
}

SerialSettingsInput ParseSerialSettings(std::u16string_view portText, std::u16string_view baudText,
                                        std::u16string_view driveIdText) {
    SerialSettingsInput in;
    in.DriveId = static_cast<uint8_t>(LeadingNumber(driveIdText));
    in.PortNumber = static_cast<uint8_t>(LeadingNumber(portText.size() > 3 ? portText.substr(3) : u""));
    in.BaudRate = LeadingNumber(baudText);
    return in;
}

} // namespace velt
