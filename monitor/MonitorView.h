#pragma once
// What the monitoring page shows, computed from the link's snapshots without
// any widget: the value texts of the state grid, the columns of the input and
// output grids, the alarm label, the lamps and the mode labels. The page only
// copies the results into its controls. Pure functions; any thread.
#include "controls/GridTypes.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace velt {

inline constexpr GridRgb kWhite = Rgb(255, 255, 255);
inline constexpr GridRgb kLabelBk = Rgb(50, 70, 50); // label cells of every grid
// A drive in alarm, wherever it is shown (white text on it).
inline constexpr GridRgb kAlarmBk = Rgb(128, 0, 0);

// The drive's registers are signed 16-bit values.
inline int16_t Signed(uint16_t reg) {
    return static_cast<int16_t>(reg);
}
// High word shifted left 16 bits OR-ed with the low word taken unsigned.
int32_t Join32(uint16_t low, uint16_t high);

// A table entry, or the bare number when the value has no entry.
std::string EntryOrNumber(const char* entry, int value);

// The twelve value cells of the state grid, in the order of kStateValueCells.
struct GridCellRef {
    int Row;
    int Col;
};
inline constexpr int kStateValueCount = 12;
inline constexpr GridCellRef kStateValueCells[kStateValueCount] = {
    {0, 1}, {1, 1}, {0, 3}, {1, 3}, {0, 5}, {1, 5}, {0, 7}, {1, 7}, {0, 9}, {1, 9}, {0, 11}, {1, 11}};
using StateTexts = std::array<std::string, kStateValueCount>;
void FormatStateValues(const StateBlock& regs, StateTexts& out);

// One column (n = 1..8 inputs, 1..4 outputs) of the input or output grid.
struct IoColumn {
    std::string Function; // row 1: the whole table entry
    std::string Value;    // row 2: "0" or "1"
    bool Active = false;  // set on an A contact, clear on a B contact
    bool AContact = false;
};
IoColumn InputColumn(int n, const BitBlock& inputs, const ParamBlock& params, bool korean);
IoColumn OutputColumn(int n, const BitBlock& outputs, const ParamBlock& params);
inline constexpr int kInputColumns = drive::InputCount;
inline constexpr int kOutputColumns = drive::OutputCount;

// Colours of a value cell in row 2 (kDefaultColour: the grid's default cell).
struct CellLook {
    GridRgb Bk;
    GridRgb Text;
    bool operator==(const CellLook&) const = default;
};
CellLook IoValueLook(bool active);

// Colours of a coloured label.
struct LabelLook {
    GridRgb Bk;
    GridRgb Text;
    bool operator==(const LabelLook&) const = default;
};
inline constexpr LabelLook kLampOffLook{Rgb(50, 50, 50), Rgb(128, 128, 128)};

// Everything the 300 ms refresh shows.
struct IndicatorView {
    // Control mode, command form, switch control mode, switch command form:
    // the entries without their numbers (" Position Control").
    std::array<std::string, 4> ModeTexts;
    // Their colours; empty when the active set is neither 1 nor 2 while
    // connected (the labels keep the colours they have).
    std::optional<std::array<LabelLook, 4>> ModeLooks;
    // Which pair is active: 1 default, 2 switch, 0 none (disconnected or other).
    int ActivePair = 0;
    std::string AlarmText; // the whole entry (" 3 : Overtemperature Error")
    LabelLook AlarmLook{};
    std::array<bool, 10> Lamps{}; // in the order of kLampCaptions
    std::array<LabelLook, 10> LampLooks{};
    std::string CrcErrors; // hidden counters, "%d"
    std::string NoReplies;
};
IndicatorView ComputeIndicators(const StateBlock& regs, const ParamBlock& params, bool connected,
                                const LinkCounters& counters, bool korean);

// Lamp k (0..9, kLampCaptions order) is on for this state block.
bool LampOn(int k, const StateBlock& regs);

} // namespace velt
