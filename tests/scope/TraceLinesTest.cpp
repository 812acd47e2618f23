// Trace rasterising without a toolkit: the column-reduced runs must cover
// exactly the pixels of every sample and segment drawn one by one, a few
// columns drawn at a time must give the picture drawn at once, and the
// line rule must give connected, thin lines that do not depend on their
// direction.
#include "scope/TraceLines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>

namespace velt {
namespace {

// The pixels a set of runs covers, one byte per pixel of the clip.
struct PixelSet {
    explicit PixelSet(const ChartRect& clip)
        : clip(clip), on(static_cast<size_t>(clip.Width()) * static_cast<size_t>(clip.Height()), 0) {}
    void Add(const std::vector<ColumnRun>& runs) {
        for (const ColumnRun& r : runs) {
            EXPECT_GE(r.X, clip.left);
            EXPECT_LT(r.X, clip.right);
            EXPECT_GE(r.Top, clip.top);
            EXPECT_LT(r.Bottom, clip.bottom);
            EXPECT_LE(r.Top, r.Bottom);
            for (int y = r.Top; y <= r.Bottom; ++y)
                on[static_cast<size_t>(y - clip.top) * clip.Width() + (r.X - clip.left)] = 1;
        }
    }
    bool At(int x, int y) const {
        return on[static_cast<size_t>(y - clip.top) * clip.Width() + (x - clip.left)] != 0;
    }
    int Count() const {
        int n = 0;
        for (uint8_t b : on)
            n += b;
        return n;
    }
    bool operator==(const PixelSet& o) const { return on == o.on; }
    ChartRect clip;
    std::vector<uint8_t> on;
};

PixelSet LinePixels(int x0, int y0, int x1, int y1, const ChartRect& clip) {
    PixelSet set(clip);
    std::vector<ColumnRun> runs;
    LineRuns(x0, y0, x1, y1, clip, &runs);
    set.Add(runs);
    return set;
}

void Fill(ScopeSamples* s, int n, const std::function<double(int)>& value) {
    for (int i = 0; i < n; ++i)
        s->Push({value(i), 0, 0, 0});
}

TEST(LineRunsTest, BothEndsConnectedThinAndTheSameFromEitherEnd) {
    const ChartRect clip{0, 0, 60, 60};
    std::mt19937 random(5);
    std::uniform_int_distribution<int> coordinate(0, 59);
    for (int i = 0; i < 2000; ++i) {
        const int x0 = coordinate(random), y0 = coordinate(random), x1 = coordinate(random),
                  y1 = coordinate(random);
        const PixelSet forward = LinePixels(x0, y0, x1, y1, clip);
        ASSERT_TRUE(forward == LinePixels(x1, y1, x0, y0, clip)) << x0 << "," << y0 << " " << x1 << "," << y1;
        ASSERT_TRUE(forward.At(x0, y0));
        ASSERT_TRUE(forward.At(x1, y1));
        // One pixel per row when steep, per column when flat (plus one where
        // a boundary falls exactly on a row or the slope is exactly 1).
        const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
        ASSERT_LE(forward.Count(), std::max(dx, dy) + 1 + std::min(dx, dy) + 1);
        ASSERT_GE(forward.Count(), std::max(dx, dy) + 1);
        // Every column between the ends holds pixels, and neighbouring
        // columns touch (8-connected).
        const int left = std::min(x0, x1), right = std::max(x0, x1);
        int previousTop = -1, previousBottom = -1;
        for (int x = left; x <= right; ++x) {
            int top = 60, bottom = -1;
            for (int y = 0; y < 60; ++y) {
                if (forward.At(x, y)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
            ASSERT_LE(top, bottom) << x;
            if (x > left) ASSERT_TRUE(top <= previousBottom + 1 && bottom >= previousTop - 1) << x;
            previousTop = top;
            previousBottom = bottom;
        }
    }
}

TEST(LineRunsTest, FarEndsCostOnlyTheClippedColumns) {
    const ChartRect diagonalClip{10, 10, 30, 30};
    std::vector<ColumnRun> runs;
    LineRuns(-PixelMap::kFarPixel, -PixelMap::kFarPixel, PixelMap::kFarPixel, PixelMap::kFarPixel,
             diagonalClip, &runs);
    ASSERT_EQ(runs.size(), 20u); // the diagonal through the clip, a pixel a column
    for (const ColumnRun& r : runs) {
        EXPECT_EQ(r.Top, r.X);
        EXPECT_EQ(r.Bottom, r.X);
    }
    const ChartRect clip{10, 20, 30, 40};
    runs.clear();
    LineRuns(0, -1000000, 40, 1000000, clip, &runs); // 50000 rows a column: one column crosses the clip
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], (ColumnRun{20, 20, 39}));
    LineRuns(40, 25, 50, 26, clip, &runs); // right of the clip
    EXPECT_EQ(runs.size(), 1u);
}

struct Case {
    ChartRanges ranges;
    int count;
};

TEST(TraceRunsTest, ReducedRunsCoverThePixelsOfEverySampleAndSegment) {
    const ChartRect plot{54, 10, 650, 300};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-6000, 6000);
    const std::function<double(int)> shapes[] = {
        [&](int) { return noise(random); },                                  // noise beyond the range too
        [](int i) { return (i / 50) % 2 ? 4900.0 : -4900.0; },               // steep steps
        [](int i) { return 4000.0 * std::sin(i / 300.0); },                  // slow
        [](int i) { return i % 2 ? 1e12 : -1e12; },                          // far outside
        [](int i) { return i % 97 == 0 ? std::nan("") : 100.0 * (i % 13); }, // gaps
    };
    const Case cases[] = {{{0, 10, -5000, 5000}, 200},    {{0, 1500, -5000, 5000}, 30000},
                          {{0.1, 5.1, -5000, 5000}, 200}, {{0, 30, -5000, 5000}, 600},
                          {{-2, 10, -5000, 5000}, 240},   {{0, 0.2, -5000, 5000}, 4}};
    for (const auto& shape : shapes) {
        ScopeSamples s;
        Fill(&s, 30000 + 1234, shape); // the ring has wrapped
        for (const Case& c : cases) {
            const PixelMap map(plot, c.ranges, s.Count() - 1);
            std::vector<ColumnRun> reduced, plain;
            TraceRuns(s, 0, c.count, map, plot, &reduced);
            PointByPointRuns(s, 0, c.count, map, plot, &plain);
            PixelSet a(plot), b(plot);
            a.Add(reduced);
            b.Add(plain);
            EXPECT_TRUE(a == b) << c.ranges.XMax << " " << c.count;
            EXPECT_LE(reduced.size(), 2u * (plot.Width() + 2) + 3u * plot.Width());
        }
    }
}

TEST(TraceRunsTest, AFewColumnsAtATimeGiveThePictureDrawnAtOnce) {
    const ChartRect plot{54, 10, 650, 300};
    std::mt19937 random(9);
    std::uniform_real_distribution<double> noise(-5500, 5500);
    ScopeSamples s;
    Fill(&s, 29000, [&](int i) { return i % 40 < 3 ? noise(random) : 3000 * std::sin(i / 9.0); });
    for (const Case& c : {Case{{0, 10, -5000, 5000}, 200}, Case{{0, 1500, -5000, 5000}, 29000},
                          Case{{0.45, 3.2, -5000, 5000}, 80}}) {
        const PixelMap map(plot, c.ranges, s.Count() - 1);
        std::vector<ColumnRun> whole;
        TraceRuns(s, 0, c.count, map, plot, &whole);
        PixelSet once(plot), pieces(plot);
        once.Add(whole);
        for (int x = plot.left; x < plot.right; x += 7) {
            std::vector<ColumnRun> part;
            TraceRuns(s, 0, c.count, map, {x, plot.top, std::min(x + 7, plot.right), plot.bottom}, &part);
            pieces.Add(part);
        }
        EXPECT_TRUE(once == pieces) << c.ranges.XMax;
    }
}

TEST(TraceRunsTest, FewSamplesUndrawableRangesAndTheWalkStopsLeftOfThePlot) {
    const ChartRect plot{54, 10, 650, 300};
    ScopeSamples s;
    Fill(&s, 3, [](int i) { return i * 1000.0; });
    std::vector<ColumnRun> runs;
    const PixelMap map(plot, {0, 10, -5000, 5000}, s.Count() - 1);
    TraceRuns(s, 0, 0, map, plot, &runs);
    EXPECT_TRUE(runs.empty());
    TraceRuns(s, 0, 2, map, plot, &runs); // the newest lies on the right edge, outside
    EXPECT_FALSE(runs.empty());
    runs.clear();
    TraceRuns(s, 0, 3, PixelMap(plot, {0, 0, -1, 1}), plot, &runs);
    PointByPointRuns(s, 0, 3, PixelMap(plot, {0, 10, 2, 2}), plot, &runs);
    EXPECT_TRUE(runs.empty());

    // 0 .. 1 s shows 20 samples; the other 29980 lie left of the plot and
    // are not read: the walk ends at the first column left of it.
    ScopeSamples many;
    Fill(&many, 30000, [](int i) { return double(i % 7) * 100; });
    TraceRuns(many, 0, 30000, PixelMap(plot, {0, 1, -5000, 5000}, many.Count() - 1), plot, &runs);
    EXPECT_LE(runs.size(), 21u * 40u);
    for (const ColumnRun& r : runs)
        EXPECT_GE(r.X, plot.left);
}

// Samples at uneven times (polls received 30 to 130 ms apart) are placed by
// their times: the fast way still covers the pixels of every segment, a few
// columns at a time give the picture drawn at once, and a sample lands
// within a pixel of its time.
TEST(TraceRunsTest, UnevenlyTimedSamplesDrawnFastCoverEverySegmentAndLieAtTheirTimes) {
    const ChartRect plot{54, 10, 650, 300};
    std::mt19937 random(5);
    std::uniform_real_distribution<double> gap(0.6, 2.6), noise(-5500, 5500);
    ScopeSamples s;
    for (int i = 0; i < 30000 + 777; ++i)
        s.Push({i % 50 < 5 ? noise(random) : 3000 * std::sin(i / 11.0), 0, 0, 0}, gap(random));
    for (const Case& c : {Case{{0, 10, -5000, 5000}, 150}, Case{{0, 1500, -5000, 5000}, 30000},
                          Case{{0.45, 3.2, -5000, 5000}, 60}}) {
        const PixelMap map(plot, c.ranges, s, c.count);
        std::vector<ColumnRun> reduced, plain;
        TraceRuns(s, 0, c.count, map, plot, &reduced);
        PointByPointRuns(s, 0, c.count, map, plot, &plain);
        PixelSet once(plot), each(plot), pieces(plot);
        once.Add(reduced);
        each.Add(plain);
        EXPECT_TRUE(once == each) << c.ranges.XMax;
        for (int x = plot.left; x < plot.right; x += 7) {
            std::vector<ColumnRun> part;
            TraceRuns(s, 0, c.count, map, {x, plot.top, std::min(x + 7, plot.right), plot.bottom}, &part);
            pieces.Add(part);
        }
        EXPECT_TRUE(once == pieces) << c.ranges.XMax;
    }
    const PixelMap map(plot, {0, 10, -5000, 5000}, s, 150);
    for (const int age : {0, s.OldestWithin(20.0, 150), s.OldestWithin(150.0, 150)})
        EXPECT_NEAR(map.X(age), plot.right - plot.Width() * s.SecondsBefore(age) / 10.0, 1.0) << age;
}

} // namespace
} // namespace velt
