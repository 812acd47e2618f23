#pragma once
// The command buttons of the monitoring page without their widgets: the
// checks of the four command edits, the register writes each button makes,
// the sequence that sends a command code only after its arguments were
// written, and the control mode switch. Pure functions apart from the
// writer the caller passes in; any thread.
#include "link/CDriveLink.h"
#include "link/DriveMap.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velt {

// The four command edits and the registers their numbers must fit.
enum class CommandField { Position, Speed, Torque, EncoderValue };
const char* FieldCaption(CommandField field); // "POS", "SPEED", "TORQ", "Enc Clear"

// The number in an edit's text, or nothing when the text is not a whole
// decimal number (blanks around it allowed, an optional sign, digits only)
// or the number does not fit the field's register: position and encoder
// value are signed 32-bit, speed and torque signed 16-bit.
std::optional<int32_t> ReadCommandField(CommandField field, std::string_view text);
// The refusal naming the field, the text and the range.
std::string FieldRefusedText(CommandField field, std::string_view text, bool korean);

struct RegisterWrite {
    uint16_t Reg;
    uint16_t Value;
    bool operator==(const RegisterWrite&) const = default;
};

// The writes of "RUN" (position, speed, torque, then the code Run) and of
// "Encoder Reset" (the set-position pair, then the code SetEncoder). A 32-bit
// value goes low word first, the high word being the value shifted right by 16.
std::vector<RegisterWrite> RunWrites(int32_t position, int32_t speed, int32_t torque);
std::vector<RegisterWrite> EncoderResetWrites(int32_t value);
RegisterWrite CodeWrite(drive::Command code);

// Writes one register; returns the link's result code (0 = success).
using RegisterWriter = std::function<RtuResult(uint16_t reg, uint16_t value)>;

struct SequenceResult {
    bool CommandSent = false;
    int FailedReg = -1; // the argument register whose write failed, or -1
    RtuResult Result;   // how its write ended
};
// Writes the arguments (every write but the last) in order and stops at the
// first that fails; the last write, the command code, is sent only when all
// of them succeeded. The code's own result is not looked at.
SequenceResult WriteCommandSequence(const std::vector<RegisterWrite>& writes, const RegisterWriter& write);
// "RUN was not sent: writing register 123 (POS_H) failed: RTU_ERR_NO_REPLY (11)."
std::string CommandNotSentText(const char* command, int reg, const char* regName, RtuResult result,
                               bool korean);

// Control mode switching: refused without a question while the servo is on
// (StatusServoOn in the status word); after Yes the active set read again
// gives the code, SwitchFromSet1 or SwitchFromSet2, none for any other value.
bool ServoIsOn(const StateBlock& regs);
std::optional<drive::Command> ModeSwitchCode(const StateBlock& regs);

} // namespace velt
