// The two trace reductions without a toolkit: the reduced lines must cover
// exactly the pixels of the point-by-point polyline (here rasterised with a
// simple line walker, so the comparison needs no display).
#include "scope/TraceLines.h"
#include "scope/PlotDamage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <utility>

namespace velt {
namespace {

// The visible pixels that a set of lines covers, one byte per pixel.
struct PixelSet {
    explicit PixelSet(const ChartRect& clip)
        : clip(clip), on(static_cast<size_t>(clip.Width()) * static_cast<size_t>(clip.Height()), 0) {}
    void Set(int x, int y) { on[static_cast<size_t>(y - clip.top) * clip.Width() + (x - clip.left)] = 1; }
    bool operator==(const PixelSet& o) const { return on == o.on; }
    ChartRect clip;
    std::vector<uint8_t> on;
};

// Every pixel of a line, both ends included (a symmetric DDA: the same
// pixels whichever end it starts from), clipped to the visible columns and
// rows. Only the part of the line near the clip rectangle is walked, so
// lines to far-off points cost no more than short ones.
void Walk(PixelSet* set, int x1, int y1, int x2, int y2, const ChartRect& clip) {
    const long long steps = std::max(std::llabs(x2 - x1), std::llabs(y2 - y1));
    double t0 = 0, t1 = 1;
    const auto limit = [&](double p, double d, double lo, double hi) { // keep p + d t inside [lo, hi]
        if (d == 0) {
            if (p < lo || p > hi) t1 = -1;
            return;
        }
        double a = (lo - p) / d, b = (hi - p) / d;
        if (a > b) std::swap(a, b);
        t0 = std::max(t0, a);
        t1 = std::min(t1, b);
    };
    limit(x1, x2 - x1, clip.left - 2, clip.right + 1);
    limit(y1, y2 - y1, clip.top - 2, clip.bottom + 1);
    if (t1 < t0) return;
    const long long first = steps == 0 ? 0 : std::max(0LL, (long long)std::floor(t0 * steps) - 1);
    const long long last = steps == 0 ? 0 : std::min(steps, (long long)std::ceil(t1 * steps) + 1);
    for (long long k = first; k <= last; ++k) {
        const double t = steps == 0 ? 0.0 : double(k) / double(steps);
        const double fx = x1 + double(x2 - x1) * t, fy = y1 + double(y2 - y1) * t;
        const int x = int(std::floor(fx + 0.5 - 1e-9));
        const int y = int(std::floor(fy + 0.5 - 1e-9));
        if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) set->Set(x, y);
    }
}

PixelSet PolylinePixels(const std::vector<PixelPoint>& pts, const ChartRect& clip) {
    PixelSet set(clip);
    for (size_t i = 1; i < pts.size(); ++i)
        Walk(&set, pts[i - 1].X, pts[i - 1].Y, pts[i].X, pts[i].Y, clip);
    return set;
}

PixelSet LinePixels(const std::vector<ChartLine>& lines, const ChartRect& clip) {
    PixelSet set(clip);
    for (const ChartLine& l : lines)
        Walk(&set, l.X1, l.Y1, l.X2, l.Y2, clip);
    return set;
}

void Fill(ScopeSamples* s, int n, const std::function<double(int)>& value) {
    for (int i = 0; i < n; ++i)
        s->Push({value(i), 0, 0, 0});
}

struct Case {
    ChartRanges ranges;
    int count;
};

TEST(TraceLinesTest, ReducedLinesCoverThePolylinesPixelsOnRandomSteepAndSlowData) {
    const ChartRect plot{54, 10, 650, 300};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-6000, 6000);
    const std::function<double(int)> shapes[] = {
        [&](int) { return noise(random); },                    // noise beyond the range too
        [](int i) { return (i / 50) % 2 ? 4900.0 : -4900.0; }, // steep steps
        [](int i) { return 4000.0 * std::sin(i / 300.0); },    // slow
        [](int i) { return i % 2 ? 1e12 : -1e12; },            // far outside
    };
    const Case cases[] = {{{0, 10, -5000, 5000}, 200},
                          {{0, 1500, -5000, 5000}, 30000},
                          {{0.1, 5.1, -5000, 5000}, 200},
                          {{0, 30, -5000, 5000}, 600},
                          {{-2, 10, -5000, 5000}, 240}};
    for (const auto& shape : shapes) {
        ScopeSamples s;
        Fill(&s, 30000, shape);
        for (const Case& c : cases) {
            const PixelMap map(plot, c.ranges);
            std::vector<PixelPoint> pts;
            std::vector<ChartLine> lines;
            PointByPointPolyline(s, 0, c.count, map, &pts);
            ColumnReducedLines(s, 0, c.count, map, plot.left, plot.right, &lines);
            EXPECT_TRUE(LinePixels(lines, plot) == PolylinePixels(pts, plot))
                << c.ranges.XMax << " " << c.count;
            EXPECT_LE(lines.size(), 2u * (plot.Width() + 2));
        }
    }
}

TEST(TraceLinesTest, FewSamplesAndUndrawableRanges) {
    const ChartRect plot{54, 10, 650, 300};
    ScopeSamples s;
    Fill(&s, 3, [](int i) { return i * 1000.0; });
    std::vector<ChartLine> lines;
    std::vector<PixelPoint> pts;
    const PixelMap map(plot, {0, 10, -5000, 5000});
    ColumnReducedLines(s, 0, 1, map, plot.left, plot.right, &lines);
    EXPECT_TRUE(lines.empty()); // one sample is a starting point only
    PointByPointPolyline(s, 0, 1, map, &pts);
    EXPECT_EQ(pts.size(), 1u);
    ColumnReducedLines(s, 0, 0, map, plot.left, plot.right, &lines);
    EXPECT_TRUE(lines.empty());
    ColumnReducedLines(s, 0, 3, PixelMap(plot, {0, 0, -1, 1}), plot.left, plot.right, &lines);
    EXPECT_TRUE(lines.empty());
    PointByPointPolyline(s, 0, 3, PixelMap(plot, {0, 10, 2, 2}), &pts);
    EXPECT_TRUE(pts.empty());
}

TEST(TraceLinesTest, TheWalkStopsAtTheFirstColumnLeftOfThePlot) {
    const ChartRect plot{54, 10, 650, 300};
    ScopeSamples s;
    Fill(&s, 30000, [](int i) { return double(i % 7) * 100; });
    std::vector<ChartLine> lines;
    // 0 .. 1 s shows 20 samples; the other 29980 are left of the plot.
    ColumnReducedLines(s, 0, 30000, PixelMap(plot, {0, 1, -5000, 5000}), plot.left, plot.right, &lines);
    EXPECT_LE(lines.size(), 21u);
    ASSERT_FALSE(lines.empty());
    EXPECT_LT(lines.back().X2, plot.left);
}

} // namespace
} // namespace velt

namespace velt {
namespace {

TEST(PlotDamageTest, MarksTheBoxOfEachLineCutToThePlot) {
    PlotDamage d;
    d.Reset({10, 20, 30, 40}); // columns 10..29, rows 20..39
    EXPECT_TRUE(d.Empty());
    d.AddLine(12, 25, 14, 22); // a join: its box, columns 12..14, rows 22..25
    d.AddLine(14, 30, 14, 31);
    d.AddLine(5, -100, 11, 100); // reaches in from the left: column 10..11, every row
    d.AddLine(40, 25, 50, 26);   // entirely right of the plot: nothing
    EXPECT_FALSE(d.Empty());
    EXPECT_EQ(d.At(12).Top, 22);
    EXPECT_EQ(d.At(12).Bottom, 25);
    EXPECT_EQ(d.At(14).Top, 22);
    EXPECT_EQ(d.At(14).Bottom, 31);
    EXPECT_EQ(d.At(10).Top, 20);
    EXPECT_EQ(d.At(10).Bottom, 39);
    EXPECT_TRUE(d.At(20).Empty());
    EXPECT_EQ(d.Bounds(), (ChartRect{10, 20, 14, 39}));
    EXPECT_EQ(d.Pixels(), 20 + 20 + 4 + 4 + 10);
    d.Reset({10, 20, 30, 40});
    EXPECT_EQ(d.Pixels(), 0);
}

} // namespace
} // namespace velt
