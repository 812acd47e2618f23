// The table of parameter limits against the parameter catalogue: every default
// and range a help text states must be the one the value dialogs and the
// simulated drive apply, so that a change of the catalogue the table misses
// fails here.
#include "link/DriveMap.h"
#include "params/ParamCatalogue.h"
#include "params/ParamLimits.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace velt::test {
namespace {

// CURRENT SENSOR RANGE: its help text states a range the drive does not check.
constexpr int kUncheckedRangeParam = 104;

// What one help text states. `problem` names a DEFAULTS or RANGE line that
// could not be read.
struct StatedLimits {
    std::optional<int32_t> defaultValue;
    std::optional<ParamRange> range;
    std::string problem;
};

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The text after "KEY :" on a line that starts with KEY (blanks around the
// colon allowed); nothing for any other line.
std::optional<std::string_view> Field(std::string_view line, std::string_view key) {
    line = Trimmed(line);
    if (line.substr(0, key.size()) != key) return std::nullopt;
    const std::string_view rest = Trimmed(line.substr(key.size()));
    if (rest.empty() || rest.front() != ':') return std::nullopt;
    return Trimmed(rest.substr(1));
}

// A signed decimal at the start of `text`, which is advanced past it.
std::optional<int32_t> TakeNumber(std::string_view& text) {
    text = Trimmed(text);
    size_t p = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+')) ++p;
    if (p >= text.size() || text[p] < '0' || text[p] > '9') return std::nullopt;
    int64_t value = 0;
    for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
        value = value * 10 + (text[p] - '0');
        if (value > INT32_MAX) return std::nullopt;
    }
    text.remove_prefix(p);
    return static_cast<int32_t>(negative ? -value : value);
}

// The parameter whose English name is `text`, or -1.
int ParamNamed(std::string_view text) {
    for (int n = 0; n < drive::ParamCount; ++n) {
        if (Trimmed(ParamTableEn[n].name) == text) return n;
    }
    return -1;
}

// " DEFAULTS : 255(0xFF) " states 255; " RANGE : 1 ~ 5000 RPM" 1..5000 (the
// unit ignored); " RANGE : 0 ~ MAX SPEED 1" from 0 up to that parameter's
// current value. Lines are separated by CR LF.
StatedLimits ReadHelp(std::string_view help) {
    StatedLimits stated;
    while (!help.empty()) {
        const size_t end = help.find("\r\n");
        const std::string_view line = help.substr(0, end);
        help = end == std::string_view::npos ? std::string_view{} : help.substr(end + 2);
        if (std::optional<std::string_view> text = Field(line, "DEFAULTS")) {
            stated.defaultValue = TakeNumber(*text);
            if (!stated.defaultValue) stated.problem = std::string(line);
        } else if (std::optional<std::string_view> range = Field(line, "RANGE")) {
            std::string_view rest = *range;
            const std::optional<int32_t> low = TakeNumber(rest);
            rest = Trimmed(rest);
            if (!low || rest.empty() || rest.front() != '~') {
                stated.problem = std::string(line);
                continue;
            }
            rest.remove_prefix(1);
            ParamRange r;
            r.min = *low;
            if (const std::optional<int32_t> high = TakeNumber(rest)) {
                r.max = *high;
            } else {
                r.maxParam = ParamNamed(Trimmed(rest));
                if (r.maxParam < 0) {
                    stated.problem = std::string(line);
                    continue;
                }
            }
            stated.range = r;
        }
    }
    return stated;
}

std::string Describe(const std::optional<ParamRange>& r) {
    if (!r) return "any value";
    const std::string high =
        r->maxParam >= 0 ? "parameter " + std::to_string(r->maxParam) : std::to_string(r->max);
    return std::to_string(r->min) + " ~ " + high;
}

TEST(ParamLimitsTable, HelpTextsAreReadLineByLine) {
    StatedLimits s =
        ReadHelp(" SELECT MONITORING \r\n DEFAULTS : 255(0xFF) \r\n RANGE : 0 ~ 255 (0x00 ~ 0xFF)");
    EXPECT_EQ(s.defaultValue, 255);
    EXPECT_EQ(Describe(s.range), "0 ~ 255");
    EXPECT_EQ(s.problem, "");

    s = ReadHelp(" POSITION MODE VELOCITY \r\n DEFAULTS : 1000 \r\n RANGE : 0 ~ MAX SPEED 1");
    EXPECT_EQ(Describe(s.range), "0 ~ parameter " + std::to_string(drive::ParamMaxSpeed1))
        << "not MAX SPEED 2";

    // A name that contains RANGE is not the RANGE line.
    s = ReadHelp(" CURRENT SENSOR RANGE \r\n DEFAULTS : 5000 \r\n RANGE : 1000 ~ 30000");
    EXPECT_EQ(s.defaultValue, 5000);
    EXPECT_EQ(Describe(s.range), "1000 ~ 30000");

    s = ReadHelp(" HOMING DIR. \r\n 0: CW \r\n 1: CCW");
    EXPECT_FALSE(s.defaultValue);
    EXPECT_FALSE(s.range);
    EXPECT_EQ(s.problem, "");

    for (const char* unreadable :
         {" X \r\n RANGE : 0 ~ NOTHING KNOWN", " X \r\n RANGE : 5", " X \r\n DEFAULTS : none"})
        EXPECT_NE(ReadHelp(unreadable).problem, "") << unreadable;
}

TEST(ParamLimitsTable, RowsAreTheLimitedParametersInNumberOrder) {
    for (int i = 0; i < kLimitedCount; ++i)
        EXPECT_EQ(kParamLimitTable[static_cast<size_t>(i)].number, i);
}

TEST(ParamLimitsTable, TheDriveAppliesWhatTheEnglishHelpTextsState) {
    const ParamLimits limits;
    for (int n = 0; n < drive::ParamCount; ++n) {
        const std::string who = std::to_string(n) + " " + ParamTableEn[n].name;
        const StatedLimits stated = ReadHelp(ParamTableEn[n].help ? ParamTableEn[n].help : "");
        EXPECT_EQ(stated.problem, "") << who;
        // A default wider than the 16-bit register would power on as its low 16 bits.
        EXPECT_EQ(limits.Default(n), static_cast<int16_t>(stated.defaultValue.value_or(0))) << who;

        std::optional<ParamRange> expected = stated.range;
        if (n >= kLimitedCount) expected.reset(); // the command block and above take any value
        if (n == kUncheckedRangeParam) {
            EXPECT_TRUE(stated.range) << who;
            expected.reset();
        }
        EXPECT_EQ(Describe(limits.Range(n)), Describe(expected)) << who;
    }
}

} // namespace
} // namespace velt::test
