// The chart's geometry: margins, sample limits, pixel mapping and the grid
// picture.
#include "scope/ChartMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velt {
namespace {

const ChartRect kClient{0, 0, 400, 300};

TEST(ChartLayout, TheLeftMarginFollowsTheDigitsOfTheWiderYLimit) {
    EXPECT_EQ(PlotRectFor(kClient, -5000, 5000).left, 54);
    EXPECT_EQ(PlotRectFor(kClient, -0.5, 0.5).left, 36);
    EXPECT_EQ(PlotRectFor(kClient, -0.005, 0.005).left, 48);
    // A zero limit counts as no digits: the other limit decides.
    EXPECT_EQ(PlotRectFor(kClient, 0, 5000).left, 54);
    EXPECT_EQ(PlotRectFor(kClient, 0, 0).left, 36);
    const ChartRect plot = PlotRectFor(kClient, -5000, 5000);
    EXPECT_EQ(plot.top, 10);
    EXPECT_EQ(plot.right, 390);
    EXPECT_EQ(plot.bottom, 265);
}

TEST(ChartLayout, HugeOrNonFiniteLimitsNeverInvertThePlot) {
    const ChartRect huge = PlotRectFor(kClient, -1e300, 1e300);
    EXPECT_LE(huge.left, huge.right);
    const ChartRect inf = PlotRectFor(kClient, -std::numeric_limits<double>::infinity(), 1);
    EXPECT_EQ(inf.left, 36);
}

// Appends as AppendSamples counts them, `n` times at the given X range.
int Append(int count, int n, double xmin, double xmax) {
    for (int i = 0; i < n; ++i)
        count = NextPointCount(count, SampleLimit(xmin, xmax));
    return count;
}

TEST(ChartPointCount, GrowsToTheRangeAndFollowsItsChanges) {
    int count = Append(0, 250, 0, 10);
    EXPECT_EQ(count, 200);
    count = Append(count, 150, 0, 20);
    EXPECT_EQ(count, 350);
    count = Append(count, 100, 0, 20);
    EXPECT_EQ(count, 400);
    EXPECT_EQ(Append(count, 1, 0, 5), 100);
    EXPECT_EQ(Append(0, 40000, 0, 30000), 30000); // the ring's capacity is the ceiling
    EXPECT_EQ(Append(0, 20, 0, 0.33), 6);         // 6.6 samples fit: truncated
}

TEST(ChartPointCount, AnEmptyOrReversedRangeShowsNothing) {
    EXPECT_EQ(Append(0, 5, 3, 3), 0);
    EXPECT_EQ(Append(10, 1, 5, 2), 0);
    EXPECT_EQ(SampleLimit(0, std::nan("")), 0.0);
}

TEST(ChartPixels, NewestAtTheRightEdgeOldestOfTheRangeAtTheLeft) {
    const ChartRect plot{54, 10, 390, 265};
    const PixelMap map(plot, {0, 10, -5000, 5000});
    ASSERT_TRUE(map.Drawable());
    EXPECT_EQ(map.X(0), 390);
    EXPECT_EQ(map.X(200), 54);
    EXPECT_EQ(map.X(100), 54 + 168);
    EXPECT_EQ(map.Y(5000), 10);
    EXPECT_EQ(map.Y(-5000), 265);
    EXPECT_EQ(map.Y(0), 265 - 127);
    EXPECT_EQ(map.AgeAt(390), 0);
    EXPECT_EQ(map.AgeAt(54), 200);

    // An X minimum above 0 puts the youngest samples right of the plot; the
    // others lie within a pixel of their exact place (3.36 pixels a sample).
    const PixelMap later(plot, {0.1, 5.1, -5000, 5000});
    EXPECT_GT(later.X(0), 390);
    EXPECT_EQ(later.X(2), 390);
    EXPECT_EQ(later.X(102), 54);
}

TEST(ChartPixels, OneMoreSampleMovesEveryOlderOneByTheSameWholeColumns) {
    const ChartRect plot{54, 10, 635, 283};
    for (const ChartRanges& r : {ChartRanges{0, 10, -1, 1}, ChartRanges{0, 1500, -1, 1},
                                 ChartRanges{0.35, 7.1, -1, 1}, ChartRanges{0, 0.3, -1, 1}}) {
        for (int64_t newest : {int64_t{0}, int64_t{199}, int64_t{123456789}}) {
            const PixelMap before(plot, r, newest), after(plot, r, newest + 1);
            const int64_t shift = after.Base(newest) - after.Base(newest + 1);
            EXPECT_GE(shift, 0);
            for (int age = 0; age < 3000; age += 7)
                ASSERT_EQ(after.X(age + 1), before.X(age) - shift) << r.XMax << " " << newest << " " << age;
            // Each sample within a pixel of where the range puts it.
            const double perSample = plot.Width() / ((r.XMax - r.XMin) * 20);
            for (int age = 0; age < 400; age += 13)
                ASSERT_LT(std::fabs(before.X(age) - (plot.left + perSample * (r.XMax * 20 - age))),
                          1.0 + 1e-9);
        }
    }
}

TEST(ChartPixels, FirstAgeLeftOfAColumn) {
    const ChartRect plot{54, 10, 635, 283};
    const PixelMap map(plot, {0, 1500, -1, 1}, 777777); // about 52 samples a column
    for (int x : {54, 100, 634, 635, 700, -5}) {
        const int age = map.FirstAgeLeftOf(x, 30000);
        if (age < 30000) {
            EXPECT_LT(map.X(age), x) << x;
        }
        if (age > 0) {
            EXPECT_GE(map.X(age - 1), x) << x;
        }
    }
    EXPECT_EQ(map.FirstAgeLeftOf(10000, 50), 0);
    EXPECT_EQ(map.FirstAgeLeftOf(-10000, 50), 50);
}

TEST(ChartPixels, FarValuesAreClampedAndNothingIsUndefined) {
    const ChartRect plot{54, 10, 390, 265};
    const PixelMap map(plot, {0, 10, -5000, 5000});
    EXPECT_EQ(map.Y(1e300), -PixelMap::kFarPixel);
    EXPECT_EQ(map.Y(-1e300), PixelMap::kFarPixel);
    EXPECT_EQ(map.Y(std::numeric_limits<double>::quiet_NaN()), 265);
    EXPECT_EQ(map.X(-2000000000), PixelMap::kFarPixel);

    const PixelMap tiny(plot, {0, 0.0001, -5000, 5000}); // 0.002 samples across the plot
    EXPECT_EQ(tiny.X(30000), -PixelMap::kFarPixel);

    EXPECT_FALSE(PixelMap(plot, {2, 2, -1, 1}).Drawable());
    EXPECT_FALSE(PixelMap(plot, {5, 2, -1, 1}).Drawable());
    EXPECT_FALSE(PixelMap(plot, {0, 10, 3, 3}).Drawable());
    EXPECT_TRUE(PixelMap(plot, {0, 10, 3, -3}).Drawable()); // a reversed Y range draws upside down
}

TEST(ChartGrid, FrameLinesAndLabelsWhereTheControlPutsThem) {
    const ChartRect plot = PlotRectFor(kClient, -5000, 5000);
    GridSettings settings;
    settings.VerticalLines = 9;
    settings.HorizontalLines = 5;
    settings.XUnits = "Time [sec]";
    settings.YUnits = "mm";
    const GridPicture g = LayoutGrid(kClient, plot, {0, 10, -5000, 5000}, settings);

    EXPECT_EQ(g.Frame, (ChartRect{54, 10, 391, 266}));
    ASSERT_EQ(g.HorizontalGrid.size(), 5u);
    EXPECT_EQ(g.HorizontalGrid[0], (ChartLine{54, 52, 390, 52})); // 10 + 255 * 1 / 6
    EXPECT_EQ(g.HorizontalGrid[4], (ChartLine{54, 222, 390, 222}));
    ASSERT_EQ(g.VerticalGrid.size(), 9u);
    EXPECT_EQ(g.VerticalGrid[0], (ChartLine{87, 10, 87, 265})); // 54 + 336 * 1 / 10

    const auto& l = g.Labels;
    ASSERT_EQ(l.size(), 2u + 5u + 2u + 9u + 2u);
    EXPECT_EQ(l[0], (ChartLabel{"5000.0", 50, 10, LabelAlign::RightTop}));
    EXPECT_EQ(l[1], (ChartLabel{"-5000.0", 50, 265, LabelAlign::RightBaseline}));
    EXPECT_EQ(l[2], (ChartLabel{"3333.3", 50, 55, LabelAlign::RightBaseline}));
    EXPECT_EQ(l[7], (ChartLabel{"-10.0", 54, 269, LabelAlign::LeftTop}));
    EXPECT_EQ(l[8], (ChartLabel{"-0.0", 390, 269, LabelAlign::RightTop})); // minus sign kept
    EXPECT_EQ(l[9], (ChartLabel{"-9.0", 87, 269, LabelAlign::CenterTop}));
    EXPECT_EQ(l[17], (ChartLabel{"-1.0", 356, 269, LabelAlign::CenterTop}));
    EXPECT_EQ(l[18], (ChartLabel{"Time [sec]", 222, 281, LabelAlign::CenterTop}));
    EXPECT_EQ(l[19], (ChartLabel{"mm", 9 * 54 / 28, 137, LabelAlign::CenterBaseline, true}));
}

TEST(ChartGrid, ACaughtSpanIsLabelledFromItsTriggerPoint) {
    const ChartRect plot = PlotRectFor(kClient, -5000, 5000);
    GridSettings settings;
    settings.VerticalLines = 9;
    ChartRanges r{0, 10, -5000, 5000};
    r.XOrigin = 2.025; // time 0 two seconds and half a sample before the newest
    const GridPicture g = LayoutGrid(kClient, plot, r, settings);
    const auto& l = g.Labels;
    ASSERT_EQ(l.size(), 2u + 5u + 2u + 9u + 2u);
    EXPECT_EQ(l[7].Text, "-8.0"); // 10 s back: -7.975
    EXPECT_EQ(l[8].Text, "2.0");  // the newest sample
    EXPECT_EQ(l[16].Text, "0.0"); // the tick 2 s back: -0.025, shown without a minus
    EXPECT_EQ(l[15].Text, "-1.0");
    // The axis time of a point, and back.
    const AxisMap axes(plot, r);
    EXPECT_DOUBLE_EQ(axes.TimeAt(plot.right), 2.025);
    EXPECT_DOUBLE_EQ(axes.TimeAt(plot.left), 2.025 - 10);
    EXPECT_NEAR(axes.XAt(axes.TimeAt(123.5)), 123.5, 1e-9);
    EXPECT_NEAR(axes.YAt(axes.ValueAt(77.25)), 77.25, 1e-9);
    EXPECT_EQ(AxisTime(r, 2.025), 0.0);
    EXPECT_TRUE(std::signbit(AxisTime({0, 10, -1, 1}, 0.0))); // now, on a running picture: -0.0
}

TEST(ChartGrid, NoGridLinesStillLabelsTheEnds) {
    GridSettings settings;
    settings.VerticalLines = 0;
    settings.HorizontalLines = 0;
    const GridPicture g = LayoutGrid(kClient, PlotRectFor(kClient, -1, 1), {0, 4, -1, 1}, settings);
    EXPECT_TRUE(g.HorizontalGrid.empty());
    EXPECT_TRUE(g.VerticalGrid.empty());
    EXPECT_EQ(g.Labels.size(), 6u);
}

} // namespace
} // namespace velt
