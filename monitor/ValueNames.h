#pragma once
// Texts that translate drive values into words. Each localised table exists
// as a Korean and an English array of equal length; the lookups take the
// language. Entries read
// " <index> : <name>".
#include <cstddef>

namespace velt {

constexpr int ALARM_NAME_COUNT = 13;
constexpr int CONTROL_MODE_NAME_COUNT = 3;
constexpr int COMMAND_FORM_NAME_COUNT = 30;
constexpr int INPUT_FUNCTION_NAME_COUNT = 16;
constexpr int OUTPUT_FUNCTION_NAME_COUNT = 7;

extern const char* const AlarmNamesKo[ALARM_NAME_COUNT];
extern const char* const AlarmNamesEn[ALARM_NAME_COUNT];
extern const char* const ControlModeNamesKo[CONTROL_MODE_NAME_COUNT];
extern const char* const ControlModeNamesEn[CONTROL_MODE_NAME_COUNT];
extern const char* const CommandFormNamesKo[COMMAND_FORM_NAME_COUNT];
extern const char* const CommandFormNamesEn[COMMAND_FORM_NAME_COUNT];
extern const char* const InputFunctionNamesKo[INPUT_FUNCTION_NAME_COUNT];
extern const char* const InputFunctionNamesEn[INPUT_FUNCTION_NAME_COUNT];
extern const char* const OutputFunctionNames[OUTPUT_FUNCTION_NAME_COUNT]; // one version

// Bounded lookups: an index outside the table gives "" and never reads
// outside it.
const char* AlarmName(int index, bool korean);
const char* ControlModeName(int index, bool korean);
const char* CommandFormName(int index, bool korean);
const char* InputFunctionName(int index, bool korean);
const char* OutputFunctionName(int index);
// The part of an entry after its first ':' (" 1 : EMG" -> " EMG").
const char* AfterColon(const char* entry);

} // namespace velt
