#include "ParamLimits.h"

#include "params/ParamCatalogue.h"

#include <cctype>
#include <string>

namespace velt::sim {
namespace {

// Only parameters below the command block carry limits the drive enforces.
constexpr int kLimitedCount = 120;

void SkipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
}

// A signed decimal at pos; advances pos past it.
std::optional<int32_t> ParseNumber(std::string_view text, size_t& pos) {
    SkipBlanks(text, pos);
    size_t p = pos;
    bool negative = false;
    if (p < text.size() && (text[p] == '-' || text[p] == '+')) negative = text[p++] == '-';
    if (p >= text.size() || !std::isdigit(static_cast<unsigned char>(text[p]))) return std::nullopt;
    int64_t value = 0;
    while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) {
        value = value * 10 + (text[p++] - '0');
        if (value > 1'000'000'000) return std::nullopt;
    }
    pos = p;
    return static_cast<int32_t>(negative ? -value : value);
}

// Position just after "KEY :" (blanks around the colon optional), or npos.
size_t FindField(std::string_view help, std::string_view key) {
    size_t at = help.find(key);
    if (at == std::string_view::npos) return at;
    size_t pos = at + key.size();
    SkipBlanks(help, pos);
    if (pos >= help.size() || help[pos] != ':') return std::string_view::npos;
    return pos + 1;
}

// The parameter whose English name starts the text at pos (longest match).
int ParamNamedAt(std::string_view text, size_t pos) {
    int best = -1;
    size_t bestLength = 0;
    const std::string_view rest = text.substr(pos);
    for (int n = 0; n < PARAM_COUNT; ++n) {
        const std::string_view name = ParamTableEn[n].name;
        if (name.empty() || name == "RESERVED" || name.size() <= bestLength) continue;
        if (rest.substr(0, name.size()) == name) {
            best = n;
            bestLength = name.size();
        }
    }
    return best;
}

} // namespace

std::optional<int32_t> ParamLimits::DefaultFromHelp(std::string_view help) {
    size_t pos = FindField(help, "DEFAULTS");
    if (pos == std::string_view::npos) return std::nullopt;
    return ParseNumber(help, pos);
}

std::optional<ParamRange> ParamLimits::RangeFromHelp(std::string_view help) {
    size_t pos = FindField(help, "RANGE");
    if (pos == std::string_view::npos) return std::nullopt;
    const auto low = ParseNumber(help, pos);
    if (!low) return std::nullopt;
    SkipBlanks(help, pos);
    if (pos >= help.size() || help[pos] != '~') return std::nullopt;
    ++pos;
    SkipBlanks(help, pos);
    ParamRange range;
    range.min = *low;
    if (const auto high = ParseNumber(help, pos)) {
        range.max = *high;
    } else {
        range.maxParam = ParamNamedAt(help, pos);
        if (range.maxParam < 0) return std::nullopt;
    }
    return range;
}

ParamLimits::ParamLimits() {
    for (int n = 0; n < PARAM_COUNT; ++n) {
        const char* help = ParamTableEn[n].help;
        if (!help) continue;
        if (const auto value = DefaultFromHelp(help)) defaults_[n] = static_cast<int16_t>(*value);
        if (n < kLimitedCount) ranges_[n] = RangeFromHelp(help);
    }
}

bool ParamLimits::Accepts(int n, int16_t value, const std::array<uint16_t, kHoldingCount>& regs) const {
    if (n < 0 || n >= kHoldingCount || !ranges_[n]) return true;
    const ParamRange& range = *ranges_[n];
    const int32_t high = range.maxParam >= 0 ? static_cast<int16_t>(regs[range.maxParam]) : range.max;
    return value >= range.min && value <= high;
}

} // namespace velt::sim
