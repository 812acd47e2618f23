#pragma once
// The parameter page without its widgets: the state of its left half (mode,
// form and function lists, contact buttons) and how it maps to parameter
// values, the I/O presets, and where each parameter sits in the page's grid.
// The Qt page mirrors PageControls into its lists and radio buttons; all the
// rules live here. Plain functions on plain data, any thread.
#include "link/DriveMap.h"
#include "params/ParFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace velt {

constexpr int kNoSelection = -1;
constexpr int kInputCount = drive::InputCount;       // IN1..IN8
constexpr int kOutputCount = drive::OutputCount;     // OUT1..OUT4
constexpr int kIoCount = kInputCount + kOutputCount; // function lists and contact pairs
constexpr int kFormsPerMode = 9;                     // command-form entries per control mode
constexpr int kControlModeCount = 3;

// What the left half shows: selection indexes (kNoSelection for none) and the
// contact value of each input and output (1 = "A", normally open; 0 = "B").
struct PageControls {
    int controlMode = kNoSelection;
    int commandForm = kNoSelection; // index among the nine entries of controlMode
    int switchMode = kNoSelection;
    int switchForm = kNoSelection; // index among the nine entries of switchMode
    std::array<int, kIoCount> functions{};
    std::array<int, kIoCount> contacts{};
    bool operator==(const PageControls&) const = default;
};

// One row of IoPresetTable: the function index of IN1..IN8, OUT1..OUT4. Every
// preset sets all twelve contacts to "A".
struct IoPreset {
    std::array<int8_t, kIoCount> functions;
};
extern const std::array<IoPreset, 11> IoPresetTable;

// Preset row for a control mode and command-form index, or -1 (a RESERVED
// form, no selection, an unknown mode).
int IoPresetIndex(int mode, int form);
// Selects the preset's functions and sets every contact to "A". False, and
// nothing changed, when IoPresetIndex gives no row.
bool ApplyIoPreset(PageControls* controls);

// Index in CommandFormNames of the first of the nine entries a mode lists
// (0, 10, 20), or -1 for a mode without entries (no selection, out of range).
int CommandFormFirst(int mode);
// Entry selected after the list is refilled for `mode`: 0, 3, 0 for the
// command form; 0, 3, 1 for the switch form; kNoSelection without entries.
int DefaultCommandForm(int mode);
int DefaultSwitchForm(int mode);

// The selection changes of the mode lists: the form list is refilled for the
// new mode with its default selected; the control mode then applies its
// preset (the switch mode does not).
void OnControlModeChanged(PageControls* controls);
void OnSwitchModeChanged(PageControls* controls);

// Controls to values: 70..73, 42..49, 51..54, 40 and 41 (bits 0..7 and 0..3,
// higher bits 0). A list without a selection gives -1 (plus 10 or 20 for the
// command forms of modes 1 and 2).
void TakeValuesFromControls(const PageControls& controls, ParamValues* values);
// Values to controls. An index a list does not have leaves it without a
// selection; a mode without entries leaves its form list empty.
PageControls ControlsFromValues(const ParamValues& values);

// True for the parameters the left half shows (40..49, 51..54, 70..73).
bool ShownInPageControls(int n);

// The entries of the value-name lists in the language asked for (the output
// functions have one version); "" for an index outside the list.
const char* ControlModeText(int index, bool korean);
const char* CommandFormText(int index, bool korean);
const char* InputFunctionText(int index, bool korean);

// ---- the grid: 26 rows, 18 columns, six groups of 25 parameters ----------

constexpr int kGridRows = 26;
constexpr int kGridColumns = 18;
constexpr int kGroupRows = 25;
constexpr int kGridGroups = 6;
constexpr int kGridSlots = kGroupRows * kGridGroups; // 150: 144 parameters and six fillers

struct ParamCell {
    int row = -1;
    int col = -1;
};

// The cells of slot n (0..149): its Pno, name and Value cell.
ParamCell PnoCellOf(int n);
ParamCell NameCellOf(int n);
ParamCell ValueCellOf(int n);
// The parameter whose Value cell a double-click on (row, col) means, or -1
// for the header row, a Pno or name column and the filler slots.
int ParamAtValueCell(int row, int col);

// Text of n's Value cell: the signed 16-bit value, or the pair's signed 32-bit
// value at the first register of a pair. Nothing for the second register of a
// pair (its cell lies under the merged cell).
std::optional<std::string> ValueCellText(int n, const ParamValues& values);
// True when what n's Value cell shows differs between the two sets (for the
// first register of a pair: either word).
bool ValueCellDiffers(int n, const ParamValues& working, const ParamValues& drive);

// ---- the read of all parameters ----

// Position of a progress bar running 0..progressMax after `registersRead` of
// the drive::ParamCount registers have arrived (0 before the first block, the end
// after the last).
int ReadProgressPosition(int registersRead, int progressMax);

// The details of the save question: one line "013 NAME : 300 -> 301" for
// every parameter whose working value differs from the drive's, names in the
// language asked for; those the store skips (not in use, or from the command
// block on) are marked. Says so when nothing differs.
std::string ParamDifferencesText(const ParamValues& working, const ParamValues& drive, bool korean);

} // namespace velt
