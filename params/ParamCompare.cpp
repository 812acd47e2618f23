// Comparing two parameter sets.
#include "params/ParamCompare.h"

#include "link/DriveMap.h"
#include "monitor/ValueNames.h"
#include "params/CompareTexts.h"
#include "params/ParamPage.h"

#include <cstdio>

namespace velt {

namespace {

bool Holds(const ParamSet& set, const CompareRow& row) {
    for (int r = 0; r < row.registers; ++r)
        if (!set.present[static_cast<size_t>(row.number + r)]) return false;
    return true;
}

const char* OutputFunctionText(int index, bool) {
    return OutputFunctionName(index);
}

// The value-name list a list parameter's value indexes, or nullptr.
using NameLookup = const char* (*)(int index, bool korean);
NameLookup ValueNamesOf(int n) {
    if (n == drive::ParamDefaultMode || n == drive::ParamSwitchMode) return &ControlModeText;
    if (n == drive::ParamDefaultForm || n == drive::ParamSwitchForm) return &CommandFormText;
    if (n >= drive::ParamInFunction1 && n < drive::ParamInFunction1 + drive::InputCount)
        return &InputFunctionText;
    if (n >= drive::ParamOutFunction1 && n < drive::ParamOutFunction1 + drive::OutputCount)
        return &OutputFunctionText;
    return nullptr;
}

// " 1 : Velocity Control" -> "1 : Velocity Control".
std::string Trimmed(const char* text) {
    std::string s = text;
    const size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string Hex(int16_t value) {
    const auto bits = static_cast<uint16_t>(value);
    char text[16];
    std::snprintf(text, sizeof text, bits <= 0xFF ? "0x%02X" : "0x%04X", static_cast<unsigned>(bits));
    return text;
}

std::string CsvField(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos && (field.empty() || field.front() != ' '))
        return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// A tab or line end inside a field would break the clipboard's columns.
std::string TabField(std::string field) {
    for (char& c : field)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return field;
}

} // namespace

ParamSet WholeSet(const ParamValues& values) {
    ParamSet set;
    set.values = values;
    set.present.fill(true);
    return set;
}

ParamSet FileSet(const ParamValues& values, const ParReadResult& read) {
    ParamSet set;
    set.values = values;
    set.present = read.present;
    return set;
}

std::vector<CompareRow> CompareSets(const ParamSet& a, const ParamSet& b) {
    std::vector<CompareRow> rows;
    for (int n = 0; n < drive::ParamCount; ++n) {
        CompareRow row;
        row.number = n;
        row.registers = PairFirst(n) == n ? 2 : 1;
        row.inA = Holds(a, row);
        row.inB = Holds(b, row);
        for (int r = 0; r < row.registers; ++r) {
            const auto i = static_cast<size_t>(n + r);
            if (row.inA && row.inB && a.values[i] != b.values[i]) row.differs = true;
        }
        row.stored = ParamKind(n) != 0 && n < drive::CommandBlockFirst;
        rows.push_back(row);
        n += row.registers - 1;
    }
    return rows;
}

int CountDifferences(const std::vector<CompareRow>& rows) {
    int count = 0;
    for (const CompareRow& row : rows)
        if (row.differs) ++count;
    return count;
}

std::string RowNumberText(const CompareRow& row) {
    char text[16];
    if (row.registers == 2)
        std::snprintf(text, sizeof text, "%03d-%03d", row.number, row.number + 1);
    else
        std::snprintf(text, sizeof text, "%03d", row.number);
    return text;
}

std::string RowNameText(const CompareRow& row, bool korean) {
    const ParamInfo* table = ParamTable(korean);
    std::string name = table[row.number].name;
    if (row.registers == 2) name += std::string(" / ") + table[row.number + 1].name;
    return name;
}

std::string RowValueText(const CompareRow& row, const ParamSet& set, bool korean) {
    if (!Holds(set, row)) return {};
    const int16_t value = set.values[static_cast<size_t>(row.number)];
    if (row.registers == 2) return std::to_string(CombinePair(row.number, set.values.data()));
    if (ParamIsBits(row.number)) return Hex(value);
    if (const NameLookup names = ValueNamesOf(row.number)) {
        const std::string name = Trimmed(names(value, korean));
        if (!name.empty()) return name;
    }
    return std::to_string(value);
}

std::string RowNoteText(const CompareRow& row, bool korean) {
    std::string note;
    const auto add = [&note, korean](const LocalText& text) {
        note += (note.empty() ? "" : ", ") + std::string(text.Pick(korean));
    };
    if (!row.stored) add(kNoteNotStored);
    if (!row.inA) add(kNoteNotInA);
    if (!row.inB) add(kNoteNotInB);
    return note;
}

std::vector<int> TakeRows(const std::vector<CompareRow>& rows, const ParamSet& from, ParamValues* working) {
    std::vector<int> changed;
    for (const CompareRow& row : rows) {
        if (!Holds(from, row)) continue;
        for (int r = 0; r < row.registers; ++r) {
            const auto i = static_cast<size_t>(row.number + r);
            if ((*working)[i] == from.values[i]) continue;
            (*working)[i] = from.values[i];
            changed.push_back(row.number + r);
        }
    }
    return changed;
}

std::string CompareTableText(const std::vector<CompareRow>& rows, const ParamSet& a, const ParamSet& b,
                             const std::string& headerA, const std::string& headerB, TableFormat format,
                             bool korean) {
    const bool csv = format == TableFormat::Csv;
    const char* separator = csv ? "," : "\t";
    const char* lineEnd = csv ? "\r\n" : "\n";
    std::string text = csv ? "\xEF\xBB\xBF" : "";
    const auto line = [&](const std::array<std::string, 5>& fields) {
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) text += separator;
            text += csv ? CsvField(fields[i]) : TabField(fields[i]);
        }
        text += lineEnd;
    };
    line({kNumberColumn.Pick(korean), kNameColumn.Pick(korean), headerA, headerB, kNoteColumn.Pick(korean)});
    for (const CompareRow& row : rows)
        line({RowNumberText(row), RowNameText(row, korean), RowValueText(row, a, korean),
              RowValueText(row, b, korean), RowNoteText(row, korean)});
    return text;
}

std::string OtherDriveHeader(uint8_t id, const std::string& name, bool korean) {
    std::string text =
        FillText(kOtherDriveHeader.Pick(korean), {{"{id}", std::to_string(id)}, {"{name}", name}});
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace velt
