#include "scope/ScopeCsvRead.h"

#include "scope/ScopeTexts.h"

#include <charconv>
#include <cmath>

namespace velt {

namespace {
// The fields of one line; quoted fields may hold commas and doubled quotes.
std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

bool Number(const std::string& s, double* v) {
    const char* end = s.data() + s.size();
    const auto r = std::from_chars(s.data(), end, *v);
    return r.ec == std::errc{} && r.ptr == end && std::isfinite(*v);
}

bool IsWallClock(const std::string& name) {
    return name == kRecordWallClockHeader.Ko || name == kRecordWallClockHeader.En;
}

std::string AtLine(size_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}
} // namespace

bool ReadScopeCsv(std::string_view text, ScopeCsvData* out, std::string* error) {
    ScopeCsvData data;
    std::vector<size_t> columns; // field index of each channel
    size_t fieldCount = 0, lineNo = 0;
    bool header = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::vector<std::string> fields = Fields(line);
        if (!header) {
            header = true;
            fieldCount = fields.size();
            for (size_t i = 1; i < fields.size(); ++i) {
                if (IsWallClock(fields[i])) continue;
                columns.push_back(i);
                data.Names.push_back(fields[i]);
            }
            if (columns.empty()) return *error = AtLine(lineNo, "no channel column"), false;
            data.Values.resize(columns.size());
            continue;
        }
        if (fields.size() != fieldCount)
            return *error = AtLine(lineNo, std::to_string(fields.size()) + " fields, the header has " +
                                               std::to_string(fieldCount)),
                   false;
        double t = 0.0;
        if (!Number(fields[0], &t))
            return *error = AtLine(lineNo, "\"" + fields[0] + "\" is not a time"), false;
        if (!data.Time.empty() && t < data.Time.back())
            return *error = AtLine(lineNo, "the time goes back"), false;
        data.Time.push_back(t);
        for (size_t c = 0; c < columns.size(); ++c) {
            double v = 0.0;
            if (!Number(fields[columns[c]], &v))
                return *error = AtLine(lineNo, "\"" + fields[columns[c]] + "\" is not a number"), false;
            data.Values[c].push_back(v);
        }
    }
    if (!header) return *error = "no header line", false;
    *out = std::move(data);
    return true;
}

} // namespace velt
