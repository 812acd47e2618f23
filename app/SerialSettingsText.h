#pragma once
// How the serial settings window reads what the user typed: a leading
// decimal number as the C run-time's _wtoi reads it (leading blanks, an
// optional sign, digits; no number gives 0; out of range saturates), with
// the drive ID and the port number kept in their 8 bits (300 -> 44).
#include <cstdint>
#include <string_view>

namespace velt {

struct SerialSettingsInput {
    uint8_t PortNumber = 0;
    int32_t BaudRate = 0;
    uint8_t DriveId = 0;
};

// portText is the port box's whole text ("COM12"): the number is read from
// its fourth character on, so a text shorter than that gives port 0.
SerialSettingsInput ParseSerialSettings(std::u16string_view portText, std::u16string_view baudText,
                                        std::u16string_view driveIdText);

} // namespace velt
