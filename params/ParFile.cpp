// Reading and writing .par parameter files.
#include "params/ParFile.h"

#include "base/LeadingNumber.h"
#include "platform/AtomicFile.h"
#include "platform/Cp949.h"

#include <climits>

namespace velt {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

void Warn(ParReadResult* result, int line, std::string text) {
    if (result->warnings.size() > kMaxParWarnings) return;
    if (result->warnings.size() == kMaxParWarnings) text = "more warnings follow and are not listed";
    result->warnings.push_back({line, std::move(text)});
}

// A warning about a line that is no parameter line: it also makes the file
// unfit to be taken as a whole.
void Damage(ParReadResult* result, int line, std::string text) {
    if (result->error.empty()) result->error = "line " + std::to_string(line) + ": " + text;
    Warn(result, line, std::move(text));
}

// Splits a line into its number text and value text as the lenient reading
// describes; warns about a line without two colons.
void SplitFields(std::string_view line, int lineNo, std::string_view* number, std::string_view* value,
                 ParReadResult* result) {
    const size_t first = line.find(':');
    if (first == std::string_view::npos) {
        *number = {};
        *value = line;
        Damage(result, lineNo, "no colon: the whole line is read as the value of parameter 0");
        return;
    }
    *number = line.substr(0, first);
    const size_t second = line.find(':', first + 1);
    if (second == std::string_view::npos) {
        *value = line.substr(first + 1);
        Damage(result, lineNo, "only one colon: the value is read after it");
        return;
    }
    *value = line.substr(second + 1);
}

void ParseLine(std::string_view line, int lineNo, ParamValues* values, ParReadResult* result) {
    std::string_view numberText, valueText;
    SplitFields(line, lineNo, &numberText, &valueText, result);
    const ParsedNumber number = ReadLeadingNumber(numberText);
    if (!number.digits && !numberText.empty()) Damage(result, lineNo, "no parameter number: read as 0");
    if (number.value < 0 || number.value >= PARAM_COUNT) {
        Warn(result, lineNo,
             "parameter number " + std::to_string(number.value) + " is outside 0 to " +
                 std::to_string(PARAM_COUNT - 1) + ": ignored");
        return;
    }
    const ParsedNumber value = ReadLeadingNumber(valueText);
    if (!value.digits) Damage(result, lineNo, "no value: read as 0");
    const auto stored = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value.value)));
    if (value.saturated || value.value < INT16_MIN || value.value > UINT16_MAX)
        Warn(result, lineNo, "value does not fit 16 bits: stored as " + std::to_string(stored));
    (*values)[static_cast<size_t>(number.value)] = stored;
    result->present[static_cast<size_t>(number.value)] = true;
    ++result->applied;
}

} // namespace

ParReadResult ParseParText(std::string_view text, ParamValues* values) {
    ParReadResult result;
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
    int lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        // CR LF, LF and a lone CR (old Mac editors) each end a line.
        const size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end != std::string_view::npos && text[end] == '\r' && next < text.size() && text[next] == '\n')
            ++next;
        text.remove_prefix(next);
        if (line.empty() || line.front() == '#' || line.front() == ' ') continue;
        ParseLine(line, lineNo, values, &result);
        // Every line of a parameter file ends with its line end; without one
        // the value may have lost its last digits.
        if (end == std::string_view::npos && result.error.empty())
            result.error = "line " + std::to_string(lineNo) + " has no line end: the file is cut short";
    }
    return result;
}

std::string FormatParTextUtf8(const ParamValues& values, const ParamInfo* table) {
    if (table == nullptr) table = ParamTable;
    std::string text;
    text.reserve(PARAM_COUNT * 40);
    for (int n = 0; n < PARAM_COUNT; ++n) {
        const std::string name = table[n].name != nullptr ? table[n].name : "";
        text += (n < 10    ? "00"
                 : n < 100 ? "0"
                           : "") +
                std::to_string(n) + " : " + name + " : " + std::to_string(values[static_cast<size_t>(n)]) +
                "\r\n";
    }
    return text;
}

bool FormatParFile(const ParamValues& values, std::string* bytes, const ParamInfo* table) {
    return Utf8ToCp949(FormatParTextUtf8(values, table), bytes);
}

namespace {
// Why ReadWholeFile refused `path`, in the user's terms.
std::string UnreadableReason(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) return "the file does not exist";
    if (fs::is_directory(st)) return "it is a folder, not a file";
    if (!fs::is_regular_file(st)) return "it is not a regular file";
    const uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > kMaxParFileBytes) return "it is larger than 1 MiB, too large for a parameter file";
    return "it cannot be read";
}
} // namespace

bool ReadParFile(const std::filesystem::path& path, ParamValues* values, ParReadResult* result) {
    std::string bytes;
    ParReadResult r;
    bool sound = ReadWholeFile(path, &bytes, kMaxParFileBytes);
    if (!sound) {
        r.error = UnreadableReason(path);
    } else {
        ParamValues parsed = *values;
        r = ParseParText(bytes, &parsed);
        sound = r.error.empty();
        if (sound) *values = parsed;
    }
    if (result != nullptr) *result = std::move(r);
    return sound;
}

bool WriteParFile(const std::filesystem::path& path, const ParamValues& values, std::string* error) {
    std::string bytes;
    if (!FormatParFile(values, &bytes)) {
        if (error != nullptr) *error = "a parameter name cannot be written in code page 949";
        return false;
    }
    return WriteFileAtomically(path, bytes, error);
}

ParamValues ValuesFromRegisters(const std::array<uint16_t, PARAM_COUNT>& regs) {
    ParamValues values{};
    for (size_t i = 0; i < regs.size(); ++i)
        values[i] = static_cast<int16_t>(regs[i]);
    return values;
}

} // namespace velt
