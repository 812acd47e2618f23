// The rules of the parameter page's left half and grid.
#include "params/ParamPage.h"

#include "monitor/ValueNames.h"
#include "params/ParamTexts.h"

#include <algorithm>
#include <cstdio>

namespace velt {

namespace {

// The list sizes of the left half.
constexpr int kInputFunctionCount = 16;
constexpr int kOutputFunctionCount = 7;

int ListSizeOfFunction(int i) {
    return i < kInputCount ? kInputFunctionCount : kOutputFunctionCount;
}

// The index a list shows after selecting `index`: none when it has no such entry.
int Select(int index, int size) {
    return index >= 0 && index < size ? index : kNoSelection;
}

int FormOffset(int mode) {
    return mode == 1 ? 10 : mode == 2 ? 20 : 0;
}

// One mode list and its form list from values [p] and [p+1]. The form list
// is refilled for the mode (nine entries, or none without a mode); its default
// selection is then replaced by the value's, so it does not matter here.
void ModeFromValues(const ParamValues& values, int p, int* mode, int* form) {
    *mode = Select(values[static_cast<size_t>(p)], kControlModeCount);
    const int entries = CommandFormFirst(*mode) < 0 ? 0 : kFormsPerMode;
    *form = Select(values[static_cast<size_t>(p + 1)] - FormOffset(*mode), entries);
}

} // namespace

// clang-format off
const std::array<IoPreset, 11> IoPresetTable = {{
    {{0, 0, 0, 0, 0, 0, 0, 0,   1, 2, 3, 6}}, // position / communication
    {{1, 2, 3, 4, 0, 6, 0, 0,   1, 2, 3, 6}}, // position / one pulse
    {{1, 2, 3, 4, 0, 6, 0, 0,   1, 2, 3, 6}}, // position / two pulse
    {{1, 2, 3, 4, 0, 6, 0, 0,   1, 2, 3, 6}}, // position / external encoder
    {{1, 2, 3, 4, 8, 9, 10, 0,  1, 2, 3, 6}}, // position / position index
    {{0, 0, 0, 0, 0, 0, 0, 0,   1, 2, 4, 6}}, // velocity / communication
    {{1, 2, 3, 4, 5, 0, 0, 0,   1, 2, 4, 6}}, // velocity / analog input
    {{1, 2, 3, 4, 0, 0, 0, 0,   1, 2, 4, 6}}, // velocity / external encoder
    {{1, 2, 3, 4, 5, 8, 9, 10,  1, 2, 4, 6}}, // velocity / speed index
    {{0, 0, 0, 0, 0, 0, 0, 0,   1, 2, 0, 6}}, // torque / communication
    {{1, 2, 3, 4, 5, 0, 0, 0,   1, 2, 0, 6}}, // torque / analog input
}};
// clang-format on

int IoPresetIndex(int mode, int form) {
    if (mode == 0 && form >= 0 && form <= 4) return form;
    if (mode == 1 && form >= 0 && form <= 3) return 5 + form;
    if (mode == 2 && form >= 0 && form <= 1) return 9 + form;
    return -1;
}

bool ApplyIoPreset(PageControls* controls) {
    const int row = IoPresetIndex(controls->controlMode, controls->commandForm);
    if (row < 0) return false;
    for (int i = 0; i < kIoCount; ++i) {
        controls->functions[static_cast<size_t>(i)] = IoPresetTable[static_cast<size_t>(row)].functions[i];
        controls->contacts[static_cast<size_t>(i)] = 1;
    }
    return true;
}

int CommandFormFirst(int mode) {
    return mode >= 0 && mode < kControlModeCount ? 10 * mode : -1;
}

int DefaultCommandForm(int mode) {
    static constexpr int kDefaults[kControlModeCount] = {0, 3, 0};
    return CommandFormFirst(mode) < 0 ? kNoSelection : kDefaults[mode];
}

int DefaultSwitchForm(int mode) {
    static constexpr int kDefaults[kControlModeCount] = {0, 3, 1};
    return CommandFormFirst(mode) < 0 ? kNoSelection : kDefaults[mode];
}

void OnControlModeChanged(PageControls* controls) {
    controls->commandForm = DefaultCommandForm(controls->controlMode);
    ApplyIoPreset(controls);
}

void OnSwitchModeChanged(PageControls* controls) {
    controls->switchForm = DefaultSwitchForm(controls->switchMode);
}

void TakeValuesFromControls(const PageControls& c, ParamValues* values) {
    ParamValues& v = *values;
    const auto set = [&v](int n, int value) { v[static_cast<size_t>(n)] = static_cast<int16_t>(value); };
    set(drive::ParamDefaultMode, c.controlMode);
    set(drive::ParamDefaultForm, c.commandForm + FormOffset(c.controlMode));
    set(drive::ParamSwitchMode, c.switchMode);
    set(drive::ParamSwitchForm, c.switchForm + FormOffset(c.switchMode));
    int inBits = 0;
    int outBits = 0;
    for (int i = 0; i < kIoCount; ++i) {
        const bool a = c.contacts[static_cast<size_t>(i)] != 0;
        if (i < kInputCount) {
            set(drive::ParamInFunction1 + i, c.functions[static_cast<size_t>(i)]);
            if (a) inBits |= 1 << i;
        } else {
            set(drive::ParamOutFunction1 + i - kInputCount, c.functions[static_cast<size_t>(i)]);
            if (a) outBits |= 1 << (i - kInputCount);
        }
    }
    set(drive::ParamInPole, inBits);
    set(drive::ParamOutPole, outBits);
}

PageControls ControlsFromValues(const ParamValues& v) {
    PageControls c;
    ModeFromValues(v, drive::ParamDefaultMode, &c.controlMode, &c.commandForm);
    ModeFromValues(v, drive::ParamSwitchMode, &c.switchMode, &c.switchForm);
    for (int i = 0; i < kIoCount; ++i) {
        const bool input = i < kInputCount;
        const int param = input ? drive::ParamInFunction1 + i : drive::ParamOutFunction1 + i - kInputCount;
        c.functions[static_cast<size_t>(i)] = Select(v[static_cast<size_t>(param)], ListSizeOfFunction(i));
        const int bits = v[input ? drive::ParamInPole : drive::ParamOutPole];
        c.contacts[static_cast<size_t>(i)] = (bits >> (input ? i : i - kInputCount)) & 1;
    }
    return c;
}

bool ShownInPageControls(int n) {
    return (n >= drive::ParamInPole && n < drive::ParamInFunction1 + kInputCount) ||
           (n >= drive::ParamOutFunction1 && n < drive::ParamOutFunction1 + kOutputCount) ||
           (n >= drive::ParamDefaultMode && n <= drive::ParamSwitchForm);
}

const char* ControlModeText(int index, bool korean) {
    return ControlModeName(index, korean);
}

const char* CommandFormText(int index, bool korean) {
    return CommandFormName(index, korean);
}

const char* InputFunctionText(int index, bool korean) {
    return InputFunctionName(index, korean);
}

ParamCell PnoCellOf(int n) {
    return {n % kGroupRows + 1, 3 * (n / kGroupRows)};
}

ParamCell NameCellOf(int n) {
    return {n % kGroupRows + 1, 3 * (n / kGroupRows) + 1};
}

ParamCell ValueCellOf(int n) {
    return {n % kGroupRows + 1, 3 * (n / kGroupRows) + 2};
}

int ParamAtValueCell(int row, int col) {
    if (row < 1 || row > kGroupRows || col < 0 || col >= kGridColumns || col % 3 != 2) return -1;
    const int n = kGroupRows * (col / 3) + row - 1;
    return n < drive::ParamCount ? n : -1;
}

std::optional<std::string> ValueCellText(int n, const ParamValues& values) {
    const int first = PairFirst(n);
    if (first < 0) return std::to_string(values[static_cast<size_t>(n)]);
    if (first != n) return std::nullopt;
    return std::to_string(CombinePair(n, values.data()));
}

bool ValueCellDiffers(int n, const ParamValues& working, const ParamValues& drive) {
    const auto i = static_cast<size_t>(n);
    if (PairFirst(n) == n) return working[i] != drive[i] || working[i + 1] != drive[i + 1];
    return working[i] != drive[i];
}

std::string ParamDifferencesText(const ParamValues& working, const ParamValues& drive, bool korean) {
    const ParamInfo* table = ParamTable(korean);
    std::string text;
    for (int n = 0; n < drive::ParamCount; ++n) {
        const auto i = static_cast<size_t>(n);
        if (working[i] == drive[i]) continue;
        char line[160];
        std::snprintf(line, sizeof line, "%03d %s : %d -> %d", n, table[n].name, drive[i], working[i]);
        text += line;
        if (ParamKind(n) == 0 || n >= drive::CommandBlockFirst) text += kNotStoredMark.Pick(korean);
        text += "\r\n";
    }
    if (text.empty()) return kNothingDiffers.Pick(korean);
    text.resize(text.size() - 2); // no line end after the last line
    return text;
}

int ReadProgressPosition(int registersRead, int progressMax) {
    const int registers = std::clamp(registersRead, 0, drive::ParamCount);
    return registers * progressMax / drive::ParamCount;
}

} // namespace velt
