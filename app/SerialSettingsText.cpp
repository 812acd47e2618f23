#include "SerialSettingsText.h"

#include "SerialSettingsTexts.h"
#include "base/LeadingNumber.h"
#include "link/LineName.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace velt {

namespace {

int LeadingNumber(std::u16string_view text) {
    return ReadLeadingNumber(text).value;
}

// First line: what is wrong with the text of `field`; second: what it takes.
// The typed text is filled in last, so that a placeholder in it stays as typed.
std::string FieldMessage(std::string_view text, const char* field, bool korean, const LocalText& takes) {
    const LocalText& first = TrimBlanks(text).empty() ? kFieldEmpty : kFieldNotValid;
    return FillText(first.Pick(korean), {{"{field}", field}, {"{text}", QuotedForMessage(text)}}) + "\r\n" +
           takes.Pick(korean);
}

} // namespace

SerialSettingsCheck CheckSerialSettings(std::string_view portText, bool portIsDevice,
                                        std::string_view baudText, std::string_view driveIdText,
                                        bool korean) {
    SerialSettingsCheck check;
    SerialSettingsInput values;

    // A network line is the port by its name; a malformed one is refused here,
    // before anything tries to reach it.
    if (const std::string name(TrimBlanks(portText)); IsNetworkLineName(name)) {
        if (!ParseLineName(name).Valid()) {
            check.bad = SerialField::Port;
            check.message = FieldMessage(portText, "Port", korean, kNetworkLineTakes);
            return check;
        }
        portIsDevice = true;
    }

    if (!portIsDevice) {
        const std::string_view port = TrimBlanks(portText);
        std::optional<int64_t> number;
        if (port.size() > 3 && (port[0] == 'C' || port[0] == 'c') && (port[1] == 'O' || port[1] == 'o') &&
            (port[2] == 'M' || port[2] == 'm') && port[3] >= '0' && port[3] <= '9') // "COM 3" names no port
            number = ReadWholeNumber(port.substr(3));
        if (!number || *number < kFirstComPort || *number > kLastComPort) {
            check.bad = SerialField::Port;
            check.message = FieldMessage(portText, "Port", korean, kPortTakes);
            return check;
        }
        values.PortNumber = static_cast<uint8_t>(*number);
    }

    const std::optional<int64_t> baud = ReadWholeNumber(baudText);
    if (!baud || *baud < 1 || *baud > std::numeric_limits<int32_t>::max()) {
        check.bad = SerialField::Baud;
        check.message = FieldMessage(baudText, "Baud Rate", korean, kBaudTakes);
        return check;
    }
    values.BaudRate = static_cast<int32_t>(*baud);

    const std::optional<int64_t> id = ReadWholeNumber(driveIdText);
    if (!id || *id < 0 || *id > kLargestDriveId) {
        check.bad = SerialField::DriveId;
        check.message = FieldMessage(driveIdText, "Drive ID", korean, kDriveIdTakes);
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
