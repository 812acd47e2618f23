#pragma once
// Reading back the CSV files the scope writes: an exported picture (time,
// then one column per channel) or a recording (time since start, wall
// clock, then the channels). Comment lines ("# ...") are skipped wherever
// they are, so figures at a file's head and notes where the data stopped
// do no harm. Pure function of the text; any thread.
#include <string>
#include <string_view>
#include <vector>

namespace velt {

struct ScopeCsvData {
    std::vector<std::string> Names;          // the channels' column headers, in file order
    std::vector<double> Time;                // seconds, first column
    std::vector<std::vector<double>> Values; // one per name, as long as Time
};

// False with the reason (and the line number where there is one) in
// *error, and *out untouched, when the text is not such a file: no header,
// no channel column, a line with another number of fields, a field that is
// not a number, or a time that goes back.
bool ReadScopeCsv(std::string_view text, ScopeCsvData* out, std::string* error);

} // namespace velt
