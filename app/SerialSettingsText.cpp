#include "SerialSettingsText.h"

#include <climits>

namespace velt {

namespace {
bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}
} // namespace

int LeadingNumber(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > static_cast<int64_t>(INT_MAX) + 1) value = static_cast<int64_t>(INT_MAX) + 1;
    }
    if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
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
