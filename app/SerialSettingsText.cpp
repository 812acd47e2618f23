#include "SerialSettingsText.h"

#include "base/LeadingNumber.h"

namespace velt {

namespace {
int LeadingNumber(std::u16string_view text) {
    return ReadLeadingNumber(text).value;
}
} // namespace

SerialSettingsInput ParseSerialSettings(std::u16string_view portText, std::u16string_view baudText,
                                        std::u16string_view driveIdText) {
    SerialSettingsInput in;
    in.DriveId = static_cast<uint8_t>(LeadingNumber(driveIdText));
    in.PortNumber = static_cast<uint8_t>(LeadingNumber(portText.size() > 3 ? portText.substr(3) : u""));
    in.BaudRate = LeadingNumber(baudText);
    return in;
}

} // namespace velt
