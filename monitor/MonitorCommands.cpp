#include "monitor/MonitorCommands.h"

#include "base/LeadingNumber.h"
#include "link/RtuResult.h"
#include "monitor/MonitorTexts.h"

#include <limits>

namespace velt {

namespace {
// A text longer than this is cut in the refusal message.
constexpr size_t kShownTextLimit = 40;

struct Range {
    int64_t Min;
    int64_t Max;
};

Range FieldRange(CommandField field) {
    if (field == CommandField::Speed || field == CommandField::Torque)
        return {std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()};
    return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
}

void AppendSplit(std::vector<RegisterWrite>& writes, uint16_t lowReg, int32_t value) {
    writes.push_back({lowReg, static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFFu)});
    writes.push_back({static_cast<uint16_t>(lowReg + 1), static_cast<uint16_t>(value >> 16)});
}

std::string Shown(std::string_view text) {
    if (text.size() <= kShownTextLimit) return std::string(text);
    size_t cut = kShownTextLimit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 sequence
    return std::string(text.substr(0, cut)) + "…";
}
} // namespace

const char* FieldCaption(CommandField field) {
    switch (field) {
    case CommandField::Position:
        return "POS";
    case CommandField::Speed:
        return "SPEED";
    case CommandField::Torque:
        return "TORQ";
    case CommandField::EncoderValue:
        return "Enc Clear";
    }
    return "";
}

std::optional<int32_t> ReadCommandField(CommandField field, std::string_view text) {
    const std::optional<int64_t> n = ReadWholeNumber(text);
    const Range range = FieldRange(field);
    if (!n || *n < range.Min || *n > range.Max) return std::nullopt;
    return static_cast<int32_t>(*n);
}

std::string FieldRefusedText(CommandField field, std::string_view text, bool korean) {
    const Range range = FieldRange(field);
    const std::string lo = std::to_string(range.Min);
    const std::string hi = std::to_string(range.Max);
    // The typed text goes in last: a placeholder in it stays as typed.
    const std::string entry = std::string(FieldCaption(field)) + ": \"" + Shown(text) + "\"";
    return FillText(kFieldRefused.Pick(korean), {{"{lo}", lo}, {"{hi}", hi}, {"{entry}", entry}});
}

RegisterWrite CodeWrite(drive::Command code) {
    return {drive::CommandRegister, drive::Code(code)};
}

std::vector<RegisterWrite> RunWrites(int32_t position, int32_t speed, int32_t torque) {
    std::vector<RegisterWrite> writes;
    AppendSplit(writes, drive::PositionLowRegister, position);
    writes.push_back({drive::SpeedRegister, static_cast<uint16_t>(speed)});
    writes.push_back({drive::TorqueRegister, static_cast<uint16_t>(torque)});
    writes.push_back(CodeWrite(drive::Command::Run));
    return writes;
}

std::vector<RegisterWrite> EncoderResetWrites(int32_t value) {
    std::vector<RegisterWrite> writes;
    AppendSplit(writes, drive::SetPositionLowRegister, value);
    writes.push_back(CodeWrite(drive::Command::SetEncoder));
    return writes;
}

SequenceResult WriteCommandSequence(const std::vector<RegisterWrite>& writes, const RegisterWriter& write) {
    SequenceResult r;
    if (writes.empty()) return r;
    for (size_t i = 0; i + 1 < writes.size(); ++i) {
        const RtuResult result = write(writes[i].Reg, writes[i].Value);
        if (result != RTU_OK) {
            r.FailedReg = writes[i].Reg;
            r.Result = result;
            return r;
        }
    }
    write(writes.back().Reg, writes.back().Value);
    r.CommandSent = true;
    return r;
}

std::string CommandNotSentText(const char* command, int reg, const char* regName, RtuResult result,
                               bool korean) {
    const std::string where = std::to_string(reg) + " (" + regName + ")";
    const std::string why = DescribeRtuResult(result);
    return FillText(kCommandNotSent.Pick(korean),
                    {{"{command}", command}, {"{register}", where}, {"{reason}", why}});
}

bool ServoIsOn(const StateBlock& regs) {
    return (regs[drive::StateStatus] & drive::StatusServoOn) != 0;
}

std::optional<drive::Command> ModeSwitchCode(const StateBlock& regs) {
    switch (static_cast<int16_t>(regs[drive::StateActiveSet])) {
    case 1:
        return drive::Command::SwitchFromSet1;
    case 2:
        return drive::Command::SwitchFromSet2;
    default:
        return std::nullopt;
    }
}

} // namespace velt
