#pragma once
// How the serial settings window reads what the user typed.
//
// CheckSerialSettings is what OK takes: every field must be valid before
// anything changes. ParseSerialSettings reads a leading decimal number as the
// C run-time's _wtoi reads it (leading blanks, an optional sign, digits; no
// number gives 0; out of range saturates), with the drive ID and the port
// number kept in their 8 bits (300 -> 44); the drive search uses it to guess
// where to start from half-typed fields.
#include <cstdint>
#include <string>
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

// The numbers OK accepts.
constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 30;
constexpr int kLargestDriveId = 255; // 0 is the broadcast address: polling stops

enum class SerialField { None, Port, Baud, DriveId };

struct SerialSettingsCheck {
    SerialField bad = SerialField::None; // the first field (top to bottom) that is not valid
    std::string message;                 // names the field and what it takes; empty when valid
    SerialSettingsInput values;          // what the fields say, when all are valid
    bool ok() const { return bad == SerialField::None; }
};

// Checks the three typed fields (UTF-8), blanks around each allowed:
// - the port "COM1" to "COM30" (any case), unless `portIsDevice`: the port
//   box shows a device of the machine (its number is then not read here);
// - the baud rate a positive whole number of at most 2147483647;
// - the drive ID a whole number from 0 to 255.
// Messages in Korean when `korean`.
SerialSettingsCheck CheckSerialSettings(std::string_view portText, bool portIsDevice,
                                        std::string_view baudText, std::string_view driveIdText, bool korean);

} // namespace velt
