// The measuring cursors against known samples: values read at a time
// (between samples by interpolation), the read-out text and the export of
// the span between the time cursors.
#include "scope/ScopeCursors.h"

#include <gtest/gtest.h>

namespace velt {
namespace {

// n samples: trace 0 counts up by 10 per sample (ending at 10 n), trace 2
// holds 7, trace 1 is off.
ChartView ViewOf(ScopeSamples& samples, int n, ChartRanges ranges) {
    for (int i = 1; i <= n; ++i)
        samples.Push({10.0 * i, 0, 7.0, 0});
    ChartView v;
    v.Samples = &samples;
    v.PointCount = n;
    v.TraceCount = kScopeTraces;
    v.TraceEnabled = {1, 0, 1, 0};
    v.Ranges = ranges;
    v.TraceNames = {"Position", "Speed", "Current", "x"};
    return v;
}

TEST(ScopeCursorsTest, ValuesAtTheCursorsComeFromTheSamplesInterpolatedBetweenThem) {
    ScopeSamples samples;
    const ChartView v = ViewOf(samples, 200, {0, 10, -5000, 5000});
    // A running picture: the newest sample (2000) at 0 s, one 50 ms older per step.
    EXPECT_EQ(TraceValueAt(v, 0, 0.0), 2000.0);
    EXPECT_EQ(TraceValueAt(v, 0, -0.05), 1990.0);
    EXPECT_DOUBLE_EQ(*TraceValueAt(v, 0, -0.025), 1995.0); // half way
    EXPECT_DOUBLE_EQ(*TraceValueAt(v, 0, -9.95), 10.0);    // the oldest shown
    EXPECT_FALSE(TraceValueAt(v, 0, -9.96));               // older than any shown
    EXPECT_FALSE(TraceValueAt(v, 0, 0.01));                // after the newest
    EXPECT_FALSE(TraceValueAt(v, 1, -1.0));                // trace off
    EXPECT_EQ(TraceValueAt(v, 2, -3.3), 7.0);
}

TEST(ScopeCursorsTest, OnACaughtSpanTimeZeroIsTheTriggerPoint) {
    ScopeSamples samples;
    ChartView v = ViewOf(samples, 200, {0, 10, -5000, 5000});
    v.Ranges.XOrigin = 8.025; // time 0 160.5 samples before the newest
    EXPECT_NEAR(*TraceValueAt(v, 0, 0.0), 2000.0 - 1605.0, 1e-9);
    EXPECT_NEAR(*TraceValueAt(v, 0, 1.0), 2000.0 - 1605.0 + 200.0, 1e-9);
    EXPECT_EQ(SampleTimeText(v, 160), "0.0250");
    EXPECT_EQ(SampleTimeText(v, 161), "-0.0250");
}

TEST(ScopeCursorsTest, TheReadOutNamesBothTimesTheirDistanceEachTraceAndTheLevels) {
    ScopeSamples samples;
    const ChartView v = ViewOf(samples, 200, {0, 10, -5000, 5000});
    ChartCursors c;
    c.On = true;
    c.T1 = -7.5;
    c.T2 = -2.5;
    c.V1 = 2500;
    c.V2 = -1250.5;
    EXPECT_EQ(CursorReadout(v, c), "t1 -7.500 s, t2 -2.500 s, Δt 5.000 s, 1/Δt 0.2 Hz\n"
                                   "Position: t1 500, t2 1500, Δ 1000\n"
                                   "Current: t1 7, t2 7, Δ 0\n"
                                   "v1 2500, v2 -1250.5, Δv -3750.5");
    c.T2 = -7.5;
    c.T1 = -20;
    const std::string same = CursorReadout(v, c);
    EXPECT_NE(same.find("1/Δt 0.08 Hz"), std::string::npos) << same;
    EXPECT_NE(same.find("Position: t1 -, t2 500, Δ -"), std::string::npos) << same;
    c.T1 = c.T2;
    EXPECT_NE(CursorReadout(v, c).find("Δt 0.000 s, 1/Δt -\n"), std::string::npos);
}

TEST(ScopeCursorsTest, PlacedAtQuartersOfBothRangesAndNumbersWithoutTrailingZeros) {
    const ChartCursors c = PlacedCursors({0, 10, -5000, 5000});
    EXPECT_TRUE(c.On);
    EXPECT_DOUBLE_EQ(c.T1, -7.5);
    EXPECT_DOUBLE_EQ(c.T2, -2.5);
    EXPECT_DOUBLE_EQ(c.V1, 2500);
    EXPECT_DOUBLE_EQ(c.V2, -2500);
    EXPECT_EQ(c.Active, CursorId::T1);
    EXPECT_EQ(ReadoutNumber(59000), "59000");
    EXPECT_EQ(ReadoutNumber(12.5), "12.5");
    EXPECT_EQ(ReadoutNumber(-1.0 / 3), "-0.333");
    EXPECT_EQ(ReadoutNumber(-0.0001), "0");
}

TEST(ScopeCursorsTest, TheCsvBetweenTheTimeCursorsHoldsOnlyThatSpan) {
    ScopeSamples samples;
    const ChartView v = ViewOf(samples, 200, {0, 10, -5000, 5000});
    const std::string csv = ScopeCsvBetween(v, "Time [s]", -0.1, -0.2); // either order
    EXPECT_EQ(csv, "Time [s],Position,Current\r\n"
                   "-0.20,1960,7\r\n"
                   "-0.15,1970,7\r\n"
                   "-0.10,1980,7\r\n");
    EXPECT_EQ(ScopeCsvBetween(v, "t", 5, 6), "t,Position,Current\r\n");
}

} // namespace
} // namespace velt
