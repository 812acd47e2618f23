#pragma once
// The .par parameter file: 144 lines "%03d : %s : %d" with CR LF, names in
// code page 949. The parser is lenient and never throws; the writer replaces
// files atomically.
#include "params/ParamCatalogue.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velt {

using ParamValues = std::array<int16_t, drive::ParamCount>;

struct ParWarning {
    int line = 0; // 1-based line number in the file
    std::string text;
};

struct ParReadResult {
    std::array<bool, drive::ParamCount> present{}; // true for every number the file set
    int applied = 0;                               // lines that set a value (repeats included)
    std::vector<ParWarning> warnings;
    // Why the file cannot be taken as a whole, empty when it can: a line
    // without two colons, a number or a value (the first one, with its line
    // number), a last line without its line end (a file cut short), no line
    // that sets a parameter (an empty file, or only blanks, a byte-order
    // mark or comments), or for ReadParFile a file that cannot be read. In
    // the language the reader asked for, as are the warnings.
    std::string error;
};

// Applies the lines of a .par text to *values; parameters the text does not
// name keep their value. Names are ignored, so Korean (CP949 or UTF-8) and
// English files read alike; CR LF, LF and CR line ends all work.
//  - empty lines and lines starting with '#' or a blank are skipped;
//  - the number is the text before the first colon, the value the text after
//    the second colon, each read as a leading decimal number (0 without
//    digits, saturating at the 32-bit range);
//  - a line with one colon takes its value after that colon, a line without
//    one is parameter 0 with the whole line as its value (accepted, warned);
//  - numbers outside the catalogue are ignored (warned); the value stored is
//    the low 16 bits of the number read; the last line for a number wins.
ParReadResult ParseParText(std::string_view text, ParamValues* values, bool korean);

// The file text for `values` with the names of the catalogue in Korean or
// English (UTF-8), CR LF line ends. FormatParTextUtf8 is the readable form;
// FormatParFile the exact file bytes (CP949), false only when a name cannot
// be encoded. A `driveId` other than 0 names the drive the values belong to
// in a first comment line ("# Drive ID : 2").
std::string FormatParTextUtf8(const ParamValues& values, bool korean, uint8_t driveId = 0);
bool FormatParFile(const ParamValues& values, std::string* bytes, bool korean, uint8_t driveId = 0);

// At most this many warnings are listed; the last one then says that more
// were left out. A file of garbage must not turn into millions of texts.
constexpr size_t kMaxParWarnings = 100;

// Larger files are not parameter files (144 lines take about 6 KB) and are
// refused as unreadable rather than read into memory.
constexpr size_t kMaxParFileBytes = size_t{1} << 20;

// Reads and parses a file. False (values untouched, the reason in
// result->error) when it cannot be read, is not a regular file, is larger
// than kMaxParFileBytes, or is damaged (see ParReadResult::error): a file
// cut short or holding something else must not mix into a parameter set.
bool ReadParFile(const std::filesystem::path& path, ParamValues* values, bool korean,
                 ParReadResult* result = nullptr);

// Writes a file atomically with the names of the language; the old file
// survives any failure. *error gets the reason.
bool WriteParFile(const std::filesystem::path& path, const ParamValues& values, bool korean,
                  std::string* error = nullptr, uint8_t driveId = 0);

// The 144 registers of the link's parameter block as parameter values.
ParamValues ValuesFromRegisters(const std::array<uint16_t, drive::ParamCount>& regs);

} // namespace velt
