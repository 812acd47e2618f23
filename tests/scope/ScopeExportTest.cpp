// CSV export and hover read-out of the samples on show.
#include "scope/ScopeExport.h"

#include <gtest/gtest.h>

namespace velt {
namespace {

// n samples: trace 0 counts up from 1, trace 1 is -0.5 x that.
ChartView ViewOf(ScopeSamples& samples, int n, int pointCount, ChartRanges ranges) {
    for (int i = 1; i <= n; ++i)
        samples.Push({double(i), -0.5 * i, 7.0, 8.0});
    ChartView v;
    v.Samples = &samples;
    v.PointCount = pointCount;
    v.TraceCount = kScopeTraces;
    v.TraceEnabled = {1, 1, 0, 1};
    v.Ranges = ranges;
    v.TraceNames = {"Position", "Speed", "Current", "Command, \"raw\""};
    return v;
}

std::vector<std::string> Lines(const std::string& csv) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < csv.size()) {
        const size_t end = csv.find("\r\n", at);
        lines.push_back(csv.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

TEST(ScopeCsvTest, ShownSamplesOldestFirstWithTimeRelativeToTheNewest) {
    ScopeSamples samples;
    const ChartView v = ViewOf(samples, 250, 200, {0, 10, -1, 1});
    const std::vector<std::string> lines = Lines(ScopeCsv(v, "Time [s]"));
    ASSERT_EQ(lines.size(), 201u);
    EXPECT_EQ(lines[0], "Time [s],Position,Speed,\"Command, \"\"raw\"\"\"");
    EXPECT_EQ(lines[1], "-9.95,51,-25.5,8");
    EXPECT_EQ(lines[2], "-9.90,52,-26,8");
    EXPECT_EQ(lines[200], "0.00,250,-125,8");
}

TEST(ScopeCsvTest, AScrolledViewExportsOnlyItsWindow) {
    ScopeSamples samples;
    ChartView v = ViewOf(samples, 200, 200, {0.1, 5.1, -1, 1});
    const std::vector<int> ages = ShownAges(v);
    ASSERT_EQ(ages.size(), 101u);
    EXPECT_EQ(ages.front(), 102);
    EXPECT_EQ(ages.back(), 2);
    const std::vector<std::string> lines = Lines(ScopeCsv(v, "t"));
    EXPECT_EQ(lines[1].substr(0, 6), "-5.10,");
    EXPECT_EQ(lines.back().substr(0, 6), "-0.10,");

    v.Ranges = {0, 20, -1, 1}; // zoomed out past what was recorded
    EXPECT_EQ(ShownAges(v).size(), 200u);
    v.PointCount = 0; // cleared
    EXPECT_TRUE(ShownAges(v).empty());
    EXPECT_EQ(Lines(ScopeCsv(v, "t")).size(), 1u);
    v.PointCount = 200;
    v.TraceCount = 1; // before the first append only trace 0 could show
    EXPECT_EQ(Lines(ScopeCsv(v, "t"))[0], "t,Position");
}

TEST(ScopeHoverTest, ReadsTheTimeAndEachEnabledTraceAtAnAge) {
    ScopeSamples samples;
    const ChartView v = ViewOf(samples, 100, 100, {0, 10, -1, 1});
    EXPECT_EQ(HoverReadout(v, 0), "0.00 s\nPosition: 100\nSpeed: -50\nCommand, \"raw\": 8");
    EXPECT_EQ(HoverReadout(v, 69), "-3.45 s\nPosition: 31\nSpeed: -15.5\nCommand, \"raw\": 8");
    EXPECT_EQ(HoverReadout(v, 150), "-7.50 s"); // nothing recorded that far back
    EXPECT_EQ(HoverReadout(v, -4), "0.20 s");
}

TEST(ScopeValueText, ShortestTextThatReadsBackTheSameValue) {
    EXPECT_EQ(FormatSampleValue(1234), "1234");
    EXPECT_EQ(FormatSampleValue(-0.1), "-0.1");
    EXPECT_EQ(FormatSampleValue(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(FormatSampleValue(2147483647.0 * 1000), "2147483647000");
}

} // namespace
} // namespace velt
