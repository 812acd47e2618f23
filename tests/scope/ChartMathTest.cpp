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

// A font of 7 pixels a character, 11 above the baseline and 3 below.
const TextMeasure kFont{[](const std::string& t) { return 7 * static_cast<int>(t.size()); }, 11, 3};

// The labels of one axis: the time labels hang 4 pixels under the plot.
std::vector<ChartLabel> AxisLabels(const GridPicture& g, bool xAxis) {
    std::vector<ChartLabel> out;
    const int timeRow = g.Frame.bottom - 1 + 4;
    for (size_t i = 0; i + 2 < g.Labels.size(); ++i) // the two captions come last
        if ((g.Labels[i].Y == timeRow) == xAxis) out.push_back(g.Labels[i]);
    return out;
}

bool Apart(const ChartRect& a, const ChartRect& b, int spacing, int rowSpacing) {
    return a.right + spacing <= b.left || b.right + spacing <= a.left || a.bottom + rowSpacing <= b.top ||
           b.bottom + rowSpacing <= a.top;
}

TEST(ChartLabels, BoxesFollowTheAlignmentAndTheFont) {
    EXPECT_EQ(LabelBox("-10.0", 54, 269, LabelAlign::LeftTop, kFont), (ChartRect{54, 269, 89, 283}));
    EXPECT_EQ(LabelBox("-9.0", 87, 269, LabelAlign::CenterTop, kFont), (ChartRect{73, 269, 101, 283}));
    EXPECT_EQ(LabelBox("-0.0", 390, 269, LabelAlign::RightTop, kFont), (ChartRect{362, 269, 390, 283}));
    EXPECT_EQ(LabelBox("3.0", 50, 55, LabelAlign::RightBaseline, kFont), (ChartRect{29, 44, 50, 58}));
    EXPECT_EQ(YLabelTexts({0, 10, -5000, 5000}, 4),
              (std::vector<std::string>{"5000.0", "3000.0", "1000.0", "-1000.0", "-3000.0", "-5000.0"}));
}

// The scope's default axes: 9 lines each, 0 .. 10 s. At 7 pixels a
// character the labels "-10.0" .. "-0.0" on a 336-pixel plot touch one
// another ("-10.0-9.0"); every second one stays.
TEST(ChartLabels, TheTimeLabelsAreThinnedUntilNoTwoTouch) {
    const ChartRect plot = PlotRectFor(kClient, -5000, 5000);
    GridSettings settings;
    settings.VerticalLines = 9;
    settings.HorizontalLines = 9;
    settings.XUnits = "Time [sec]";
    const GridPicture all = LayoutGrid(kClient, plot, {0, 10, -5000, 5000}, settings);
    const GridPicture spaced = LayoutGrid(kClient, plot, {0, 10, -5000, 5000}, settings, &kFont);
    std::vector<std::string> texts;
    for (const ChartLabel& l : AxisLabels(spaced, true))
        texts.push_back(l.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"-10.0", "-0.0", "-8.0", "-6.0", "-4.0", "-2.0"}));
    EXPECT_EQ(AxisLabels(all, true).size(), 11u);
    // The value labels have room (25 pixels a line) and all stay.
    EXPECT_EQ(AxisLabels(spaced, false).size(), 11u);
    // The kept ones are where the full layout put them.
    EXPECT_EQ(spaced.Labels[11 + 2].X, all.Labels[11 + 2 + 1].X);
    // The caption sits below the labels.
    const ChartLabel& caption = spaced.Labels[spaced.Labels.size() - 2];
    EXPECT_EQ(caption.Text, "Time [sec]");
    EXPECT_GE(caption.Box.top, AxisLabels(spaced, true)[0].Box.bottom + 1);
}

TEST(ChartLabels, NoTwoLabelsOfAnAxisTouchAtAnySizeRangeOrSpan) {
    GridSettings settings;
    settings.VerticalLines = 9;
    settings.HorizontalLines = 9;
    settings.XUnits = "Time [sec]";
    const ChartRanges ranges[] = {{0, 10, -5000, 5000},    {0, 0.1, -1, 1},
                                  {0, 1500, -1e10, 1e10},  {-1500, 1500, -0.05, 0.05},
                                  {0.35, 7.1, 3, 3.5},     {0, 30, -123456.7, 7654321.2, 1.3},
                                  {-2, 10, 1e10 - 1, 1e10}};
    for (const ChartRanges& r : ranges) {
        for (int width = 40; width <= 1200; width += 37) {
            for (int height = 50; height <= 700; height += 61) {
                const ChartRect client{0, 0, width, height};
                int widest = 0;
                for (const std::string& t : YLabelTexts(r, settings.HorizontalLines))
                    widest = std::max(widest, kFont.Width(t));
                const ChartRect plot = PlotRectFor(client, r.YMin, r.YMax, widest);
                const GridPicture g = LayoutGrid(client, plot, r, settings, &kFont);
                for (const bool xAxis : {true, false}) {
                    const std::vector<ChartLabel> labels = AxisLabels(g, xAxis);
                    ASSERT_FALSE(labels.empty());
                    for (size_t i = 0; i < labels.size(); ++i)
                        for (size_t j = i + 1; j < labels.size(); ++j)
                            ASSERT_TRUE(Apart(labels[i].Box, labels[j].Box, kLabelSpacing, 2))
                                << labels[i].Text << " / " << labels[j].Text << " at " << width << "x"
                                << height << " X " << r.XMin << ".." << r.XMax;
                }
                // No value label starts left of the control while the plot has room.
                if (plot.left < plot.right) {
                    for (const ChartLabel& l : AxisLabels(g, false))
                        EXPECT_GE(l.Box.left, client.left) << l.Text;
                }
            }
        }
    }
}

TEST(ChartLabels, TheMarginWidensForValueLabelsWiderThanItsDigitsAllow) {
    // +-1e10: 6 x 10 + 36 = 96 pixels; "-10000000000.0" at 7 a character needs 98 + 4.
    EXPECT_EQ(PlotRectFor(kClient, -1e10, 1e10).left, 96);
    EXPECT_EQ(PlotRectFor(kClient, -1e10, 1e10, 98).left, 102);
    EXPECT_EQ(PlotRectFor(kClient, -5000, 5000, 42).left, 54); // fits: the margin of the digits
    EXPECT_EQ(PlotRectFor(kClient, -5000, 5000, 5000).left, kClient.right - 10); // never past the right edge
}

} // namespace
} // namespace velt
