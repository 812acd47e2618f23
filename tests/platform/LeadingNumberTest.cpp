// Leading numbers as typed by users and as found in parameter files.
#include "base/LeadingNumber.h"

#include <gtest/gtest.h>

#include <climits>
#include <string_view>

namespace velt {
namespace {

int Value(std::u16string_view s) {
    return ReadLeadingNumber(s).value;
}

TEST(LeadingNumber, ReadsLikeWtoiAndSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(Value(u"42"), 42);
    EXPECT_EQ(Value(u"  \t17abc"), 17);
    EXPECT_EQ(Value(u"-5"), -5);
    EXPECT_EQ(Value(u"+8"), 8);
    EXPECT_EQ(Value(u""), 0);
    EXPECT_EQ(Value(u"abc"), 0);
    EXPECT_EQ(Value(u"- 5"), 0);
    EXPECT_EQ(Value(u"99999999999999999999"), INT_MAX);
    EXPECT_EQ(Value(u"-99999999999999999999"), INT_MIN);
    EXPECT_EQ(Value(u"-2147483648"), INT_MIN);
    EXPECT_EQ(Value(u"\u0663"), 0); // digits of other scripts are not digits
}

TEST(LeadingNumber, TellsWhetherDigitsWereReadAndWhetherTheyFit) {
    using namespace std::string_view_literals;
    const ParsedNumber none = ReadLeadingNumber(" : 5"sv);
    EXPECT_FALSE(none.digits);
    EXPECT_EQ(none.value, 0);
    const ParsedNumber zero = ReadLeadingNumber("000 "sv);
    EXPECT_TRUE(zero.digits);
    EXPECT_FALSE(zero.saturated);
    const ParsedNumber edge = ReadLeadingNumber("2147483647"sv);
    EXPECT_EQ(edge.value, INT_MAX);
    EXPECT_FALSE(edge.saturated);
    const ParsedNumber over = ReadLeadingNumber("2147483648"sv);
    EXPECT_EQ(over.value, INT_MAX);
    EXPECT_TRUE(over.saturated);
    const ParsedNumber below = ReadLeadingNumber("-2147483649"sv);
    EXPECT_EQ(below.value, INT_MIN);
    EXPECT_TRUE(below.saturated);
}

} // namespace
} // namespace velt
