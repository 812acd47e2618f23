#pragma once
// Two parameter sets side by side: the rows of the compare window and of
// `velt-cli params diff`, their texts as the parameter page shows the values,
// and the taking of chosen values into the page's working copy. Plain
// functions on plain data, any thread; names, value names and notes in the
// language asked for.
#include "params/ParFile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velt {

// One side: the values and which parameters it holds. The drive and the
// working copy hold all; a file holds the numbers it names.
struct ParamSet {
    ParamValues values{};
    std::array<bool, drive::ParamCount> present{};
};

// A set holding every parameter.
ParamSet WholeSet(const ParamValues& values);
// The set a file read gave: its values and the numbers it named.
ParamSet FileSet(const ParamValues& values, const ParReadResult& read);

// One row as the page shows a value: a single register, or both registers of
// a 32-bit pair as one signed value (row number = the pair's first register).
struct CompareRow {
    int number = 0;
    int registers = 1;    // 2 for a pair
    bool inA = true;      // side A holds every register of the row
    bool inB = true;      // side B likewise
    bool differs = false; // both sides hold it and a register differs
    bool stored = true;   // "All Parameter Save" writes it (in use, below the command block)
};

// The 134 rows in number order (144 registers, ten pairs).
std::vector<CompareRow> CompareSets(const ParamSet& a, const ParamSet& b);
int CountDifferences(const std::vector<CompareRow>& rows);

// "Drive 2 X axis" ("Drive 2" without a name): another drive of the line
// as a side of the comparison.
std::string OtherDriveHeader(uint8_t id, const std::string& name, bool korean);

// "013", or "083-084" for a pair.
std::string RowNumberText(const CompareRow& row);
// The name, or both names of a pair ("POS_L / POS_H").
std::string RowNameText(const CompareRow& row, bool korean);
// The value as the page shows it: the value name of a list parameter
// ("1 : Velocity Control"), bit parameters in hexadecimal ("0xFF"), a pair as
// its signed 32-bit value, else the signed decimal value. Empty when the set
// does not hold the row.
std::string RowValueText(const CompareRow& row, const ParamSet& set, bool korean);
// "not stored" for a row the store skips (kind 0 or the command block); the
// side that does not hold it; empty otherwise.
std::string RowNoteText(const CompareRow& row, bool korean);

// Copies `from`'s values of the rows (both registers of a pair) that `from`
// holds into *working. Returns the parameter numbers whose value changed.
std::vector<int> TakeRows(const std::vector<CompareRow>& rows, const ParamSet& from, ParamValues* working);

enum class TableFormat {
    Tabs, // for the clipboard: tab-separated, LF line ends
    Csv,  // comma-separated, fields quoted where needed, CR LF, UTF-8 with a byte-order mark
};

// The rows as a table with a header line: number, name, A, B and note.
std::string CompareTableText(const std::vector<CompareRow>& rows, const ParamSet& a, const ParamSet& b,
                             const std::string& headerA, const std::string& headerB, TableFormat format,
                             bool korean);

} // namespace velt
