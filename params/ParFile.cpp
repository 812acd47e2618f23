// Reading and writing .par parameter files.
#include "params/ParFile.h"

#include "base/LeadingNumber.h"
#include "base/LocalText.h"
#include "params/ParamTexts.h"
#include "platform/AtomicFile.h"
#include "platform/Cp949.h"
#include "platform/FileChecks.h"

#include <climits>

namespace velt {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// What one parse collects, with the language of its texts.
struct Parse {
    ParReadResult* result;
    bool korean;
    std::string Text(const LocalText& text) const { return text.Pick(korean); }
    std::string Filled(const LocalText& text,
                       std::initializer_list<std::pair<std::string_view, std::string>> values) const {
        return FillText(text.Pick(korean), values);
    }
};

void Warn(const Parse& p, int line, std::string text) {
    ParReadResult* result = p.result;
    if (result->warnings.size() > kMaxParWarnings) return;
    if (result->warnings.size() == kMaxParWarnings) text = p.Text(kParMoreWarnings);
    result->warnings.push_back({line, std::move(text)});
}

// A warning about a line that is no parameter line: it also makes the file
// unfit to be taken as a whole.
void Damage(const Parse& p, int line, std::string text) {
    if (p.result->error.empty()) p.result->error = p.Filled(kParLine, {{"{n}", std::to_string(line)}}) + text;
    Warn(p, line, std::move(text));
}

// Splits a line into its number text and value text as the lenient reading
// describes; warns about a line without two colons.
void SplitFields(std::string_view line, int lineNo, std::string_view* number, std::string_view* value,
                 const Parse& p) {
    const size_t first = line.find(':');
    if (first == std::string_view::npos) {
        *number = {};
        *value = line;
        Damage(p, lineNo, p.Text(kParNoColon));
        return;
    }
    *number = line.substr(0, first);
    const size_t second = line.find(':', first + 1);
    if (second == std::string_view::npos) {
        *value = line.substr(first + 1);
        Damage(p, lineNo, p.Text(kParOneColon));
        return;
    }
    *value = line.substr(second + 1);
}

void ParseLine(std::string_view line, int lineNo, ParamValues* values, const Parse& p) {
    std::string_view numberText, valueText;
    SplitFields(line, lineNo, &numberText, &valueText, p);
    const ParsedNumber number = ReadLeadingNumber(numberText);
    if (!number.digits && !numberText.empty()) Damage(p, lineNo, p.Text(kParNoNumber));
    if (number.value < 0 || number.value >= drive::ParamCount) {
        Warn(p, lineNo,
             p.Filled(kParOutside, {{"{n}", std::to_string(number.value)},
                                    {"{last}", std::to_string(drive::ParamCount - 1)}}));
        return;
    }
    const ParsedNumber value = ReadLeadingNumber(valueText);
    if (!value.digits) Damage(p, lineNo, p.Text(kParNoValue));
    const auto stored = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value.value)));
    if (value.saturated || value.value < INT16_MIN || value.value > UINT16_MAX)
        Warn(p, lineNo, p.Filled(kParTooWide, {{"{v}", std::to_string(stored)}}));
    (*values)[static_cast<size_t>(number.value)] = stored;
    p.result->present[static_cast<size_t>(number.value)] = true;
    ++p.result->applied;
}

} // namespace

ParReadResult ParseParText(std::string_view text, ParamValues* values, bool korean) {
    ParReadResult result;
    const Parse p{&result, korean};
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
    // A file without a single parameter line would change nothing and say
    // nothing: an empty file is a failed save or the wrong file.
    if (text.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos) {
        result.error = p.Text(kParEmpty);
        return result;
    }
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
        ParseLine(line, lineNo, values, p);
        // Every line of a parameter file ends with its line end; without one
        // the value may have lost its last digits.
        if (end == std::string_view::npos && result.error.empty())
            result.error = p.Filled(kParCutShort, {{"{n}", std::to_string(lineNo)}});
    }
    if (result.applied == 0 && result.error.empty()) result.error = p.Text(kParNoParameters);
    return result;
}

std::string FormatParTextUtf8(const ParamValues& values, bool korean, uint8_t driveId) {
    const ParamInfo* table = ParamTable(korean);
    std::string text;
    text.reserve(drive::ParamCount * 40);
    if (driveId != 0)
        text = FillText(kParDriveLine.Pick(korean), {{"{id}", std::to_string(driveId)}}) + "\r\n";
    for (int n = 0; n < drive::ParamCount; ++n) {
        const std::string name = table[n].name != nullptr ? table[n].name : "";
        text += (n < 10    ? "00"
                 : n < 100 ? "0"
                           : "") +
                std::to_string(n) + " : " + name + " : " + std::to_string(values[static_cast<size_t>(n)]) +
                "\r\n";
    }
    return text;
}

bool FormatParFile(const ParamValues& values, std::string* bytes, bool korean, uint8_t driveId) {
    return Utf8ToCp949(FormatParTextUtf8(values, korean, driveId), bytes);
}

namespace {
// Why ReadWholeFile refused the regular file `path`, in the user's terms.
std::string UnreadableReason(const std::filesystem::path& path, bool korean) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxParFileBytes) return kParTooLarge.Pick(korean);
    return kParCannotRead.Pick(korean);
}
} // namespace

bool ReadParFile(const std::filesystem::path& path, ParamValues* values, bool korean, ParReadResult* result) {
    std::string bytes;
    ParReadResult r;
    // The kind first, from the metadata: a FIFO or a device is never opened.
    bool sound =
        PathIsReadableFile(path, {&r.error, korean}) && ReadWholeFile(path, &bytes, kMaxParFileBytes);
    if (!sound) {
        if (r.error.empty()) r.error = UnreadableReason(path, korean);
    } else {
        ParamValues parsed = *values;
        r = ParseParText(bytes, &parsed, korean);
        sound = r.error.empty();
        if (sound) *values = parsed;
    }
    if (result != nullptr) *result = std::move(r);
    return sound;
}

bool WriteParFile(const std::filesystem::path& path, const ParamValues& values, bool korean,
                  std::string* error, uint8_t driveId) {
    std::string bytes;
    if (!FormatParFile(values, &bytes, korean, driveId)) {
        if (error != nullptr) *error = kParNoCp949.Pick(korean);
        return false;
    }
    return WriteFileAtomically(path, bytes, {error, korean});
}

ParamValues ValuesFromRegisters(const std::array<uint16_t, drive::ParamCount>& regs) {
    ParamValues values{};
    for (size_t i = 0; i < regs.size(); ++i)
        values[i] = static_cast<int16_t>(regs[i]);
    return values;
}

} // namespace velt
