// Reading and writing .par parameter files.
#include "params/ParFile.h"

#include "base/LeadingNumber.h"
#include "base/LocalText.h"
#include "platform/AtomicFile.h"
#include "platform/Cp949.h"
#include "platform/FileChecks.h"

#include <climits>

namespace velt {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

constexpr LocalText kMoreWarnings{"경고가 더 있으나 표시하지 않습니다",
                                  "more warnings follow and are not listed"};
constexpr LocalText kLine{"{n}번째 줄: ", "line {n}: "};
constexpr LocalText kNoColon{"콜론(:)이 없습니다: 줄 전체를 파라미터 0의 값으로 읽습니다",
                             "no colon: the whole line is read as the value of parameter 0"};
constexpr LocalText kOneColon{"콜론(:)이 하나뿐입니다: 그 뒤를 값으로 읽습니다",
                              "only one colon: the value is read after it"};
constexpr LocalText kNoNumber{"파라미터 번호가 없습니다: 0으로 읽습니다", "no parameter number: read as 0"};
constexpr LocalText kOutside{"파라미터 번호 {n}은(는) 0 ~ {last} 밖입니다: 무시합니다",
                             "parameter number {n} is outside 0 to {last}: ignored"};
constexpr LocalText kNoValue{"값이 없습니다: 0으로 읽습니다", "no value: read as 0"};
constexpr LocalText kTooWide{"값이 16비트를 넘습니다: {v}(으)로 저장합니다",
                             "value does not fit 16 bits: stored as {v}"};
constexpr LocalText kCutShort{"{n}번째 줄에 줄 끝이 없습니다: 파일이 잘렸습니다",
                              "line {n} has no line end: the file is cut short"};
constexpr LocalText kEmpty{"파일이 비어 있습니다", "the file is empty"};
constexpr LocalText kNoParameters{"파라미터 줄이 하나도 없습니다", "the file holds no parameter lines"};
constexpr LocalText kTooLarge{"1 MiB보다 커서 파라미터 파일이 아닙니다",
                              "it is larger than 1 MiB, too large for a parameter file"};
constexpr LocalText kCannotRead{"파일을 읽을 수 없습니다", "it cannot be read"};
constexpr LocalText kNoCp949{"파라미터 이름을 코드 페이지 949로 쓸 수 없습니다",
                             "a parameter name cannot be written in code page 949"};

std::string Filled(const LocalText& text,
                   std::initializer_list<std::pair<std::string_view, std::string>> values) {
    return FillText(Local(text), values);
}

void Warn(ParReadResult* result, int line, std::string text) {
    if (result->warnings.size() > kMaxParWarnings) return;
    if (result->warnings.size() == kMaxParWarnings) text = Local(kMoreWarnings);
    result->warnings.push_back({line, std::move(text)});
}

// A warning about a line that is no parameter line: it also makes the file
// unfit to be taken as a whole.
void Damage(ParReadResult* result, int line, std::string text) {
    if (result->error.empty()) result->error = Filled(kLine, {{"{n}", std::to_string(line)}}) + text;
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
        Damage(result, lineNo, Local(kNoColon));
        return;
    }
    *number = line.substr(0, first);
    const size_t second = line.find(':', first + 1);
    if (second == std::string_view::npos) {
        *value = line.substr(first + 1);
        Damage(result, lineNo, Local(kOneColon));
        return;
    }
    *value = line.substr(second + 1);
}

void ParseLine(std::string_view line, int lineNo, ParamValues* values, ParReadResult* result) {
    std::string_view numberText, valueText;
    SplitFields(line, lineNo, &numberText, &valueText, result);
    const ParsedNumber number = ReadLeadingNumber(numberText);
    if (!number.digits && !numberText.empty()) Damage(result, lineNo, Local(kNoNumber));
    if (number.value < 0 || number.value >= PARAM_COUNT) {
        Warn(result, lineNo,
             Filled(kOutside,
                    {{"{n}", std::to_string(number.value)}, {"{last}", std::to_string(PARAM_COUNT - 1)}}));
        return;
    }
    const ParsedNumber value = ReadLeadingNumber(valueText);
    if (!value.digits) Damage(result, lineNo, Local(kNoValue));
    const auto stored = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value.value)));
    if (value.saturated || value.value < INT16_MIN || value.value > UINT16_MAX)
        Warn(result, lineNo, Filled(kTooWide, {{"{v}", std::to_string(stored)}}));
    (*values)[static_cast<size_t>(number.value)] = stored;
    result->present[static_cast<size_t>(number.value)] = true;
    ++result->applied;
}

} // namespace

ParReadResult ParseParText(std::string_view text, ParamValues* values) {
    ParReadResult result;
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
    // A file without a single parameter line would change nothing and say
    // nothing: an empty file is a failed save or the wrong file.
    if (text.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos) {
        result.error = Local(kEmpty);
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
        ParseLine(line, lineNo, values, &result);
        // Every line of a parameter file ends with its line end; without one
        // the value may have lost its last digits.
        if (end == std::string_view::npos && result.error.empty())
            result.error = Filled(kCutShort, {{"{n}", std::to_string(lineNo)}});
    }
    if (result.applied == 0 && result.error.empty()) result.error = Local(kNoParameters);
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
// Why ReadWholeFile refused the regular file `path`, in the user's terms.
std::string UnreadableReason(const std::filesystem::path& path) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxParFileBytes) return Local(kTooLarge);
    return Local(kCannotRead);
}
} // namespace

bool ReadParFile(const std::filesystem::path& path, ParamValues* values, ParReadResult* result) {
    std::string bytes;
    ParReadResult r;
    // The kind first, from the metadata: a FIFO or a device is never opened.
    bool sound = PathIsReadableFile(path, &r.error) && ReadWholeFile(path, &bytes, kMaxParFileBytes);
    if (!sound) {
        if (r.error.empty()) r.error = UnreadableReason(path);
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
        if (error != nullptr) *error = Local(kNoCp949);
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
