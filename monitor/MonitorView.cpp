#include "monitor/MonitorView.h"

#include "link/DriveMap.h"
#include "monitor/ValueNames.h"

#include <cstdio>

namespace velt {

namespace {
constexpr GridRgb kActiveGreen = Rgb(0, 128, 0);
constexpr GridRgb kDarkRed = kAlarmBk;
constexpr LabelLook kPairOnLook{kActiveGreen, kWhite};
constexpr LabelLook kPairOffLook = kLampOffLook;

std::string Decimal(int32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(v));
    return text;
}

IoColumn Column(int n, const BitBlock& bits, uint16_t pole, const char* function, int functionValue) {
    IoColumn c;
    c.Function = EntryOrNumber(function, functionValue);
    const bool on = bits[n - 1] != 0;
    c.Value = Decimal(bits[n - 1]);
    c.AContact = ((pole >> (n - 1)) & 1u) != 0;
    c.Active = on == c.AContact;
    return c;
}

std::string ModeText(const char* entry, int value) {
    return *entry != '\0' ? std::string(AfterColon(entry)) : Decimal(value);
}
} // namespace

int32_t Join32(uint16_t low, uint16_t high) {
    return static_cast<int32_t>((static_cast<uint32_t>(high) << 16) | low);
}

std::string EntryOrNumber(const char* entry, int value) {
    return *entry != '\0' ? std::string(entry) : Decimal(value);
}

void FormatStateValues(const StateBlock& r, StateTexts& out) {
    using namespace drive;
    const int32_t values[kStateValueCount] = {Signed(r[StateStatus]),
                                              Signed(r[StateAlarm]),
                                              Join32(r[StateCmdPositionLow], r[StateCmdPositionLow + 1]),
                                              Join32(r[StatePositionLow], r[StatePositionLow + 1]),
                                              Signed(r[StateCmdSpeed]),
                                              Signed(r[StateSpeed]),
                                              Signed(r[StateCmdCurrent]),
                                              Signed(r[StateCurrent]),
                                              Signed(r[StateHall]),
                                              Signed(r[StateExtVolume]),
                                              Signed(r[StateBusVoltage]),
                                              Signed(r[StateTemperature])};
    char text[16];
    for (int i = 0; i < kStateValueCount; ++i) {
        // The state word is widened as a signed value: bit 15 shows as FFFF....
        if (i == 0)
            std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(values[0]));
        else
            std::snprintf(text, sizeof text, "%d", static_cast<int>(values[i]));
        out[i] = text;
    }
}

IoColumn InputColumn(int n, const BitBlock& inputs, const ParamBlock& params, bool korean) {
    const int function = Signed(params[drive::ParamInFunction1 + n - 1]);
    return Column(n, inputs, params[drive::ParamInPole], InputFunctionName(function, korean), function);
}

IoColumn OutputColumn(int n, const BitBlock& outputs, const ParamBlock& params) {
    const int function = Signed(params[drive::ParamOutFunction1 + n - 1]);
    return Column(n, outputs, params[drive::ParamOutPole], OutputFunctionName(function), function);
}

CellLook IoValueLook(bool active) {
    return active ? CellLook{Rgb(0, 80, 0), kWhite} : CellLook{kDefaultColour, kActiveGreen};
}

bool LampOn(int k, const StateBlock& regs) {
    if (k < 0 || k >= 10) return false;
    // Lamps 0..7 are the status bits 0..7 in order, 8 and 9 the homing flags.
    if (k < 8) return ((regs[drive::StateStatus] >> k) & 1u) != 0;
    return Signed(regs[k == 8 ? drive::StateHomeDone : drive::StateHoming]) == 1;
}

IndicatorView ComputeIndicators(const StateBlock& regs, const ParamBlock& params, bool connected,
                                const LinkCounters& counters, bool korean) {
    IndicatorView v;
    for (int i = 0; i < 4; ++i) {
        const int value = Signed(params[drive::ParamDefaultMode + i]); // mode, form, switch mode, switch form
        const char* entry = (i % 2 == 0) ? ControlModeName(value, korean) : CommandFormName(value, korean);
        v.ModeTexts[i] = ModeText(entry, value);
    }
    const int activeSet = Signed(regs[drive::StateActiveSet]);
    if (!connected) {
        v.ModeLooks = {kPairOffLook, kPairOffLook, kPairOffLook, kPairOffLook};
    } else if (activeSet == 1 || activeSet == 2) {
        const LabelLook first = activeSet == 1 ? kPairOnLook : kPairOffLook;
        const LabelLook second = activeSet == 1 ? kPairOffLook : kPairOnLook;
        v.ModeLooks = {first, first, second, second};
        v.ActivePair = activeSet;
    }

    const int alarm = Signed(regs[drive::StateAlarm]);
    v.AlarmText = EntryOrNumber(AlarmName(alarm, korean), alarm);
    v.AlarmLook = {alarm == 0 ? kActiveGreen : kDarkRed, kWhite};

    for (int k = 0; k < 10; ++k) {
        v.Lamps[k] = LampOn(k, regs);
        const LabelLook on{k < 2 ? kDarkRed : kActiveGreen, kWhite};
        v.LampLooks[k] = v.Lamps[k] ? on : kLampOffLook;
    }
    v.CrcErrors = Decimal(static_cast<int32_t>(counters.CrcErrors));
    v.NoReplies = Decimal(static_cast<int32_t>(counters.NoReplies));
    return v;
}

} // namespace velt
