#pragma once
// The strip chart's geometry without a toolkit: the plot rectangle and its
// left margin, the sample limit of the X range, the pixel of a sample, and
// the frame, grid lines and labels drawn into the background image.
// Rectangles are half-open on the right and bottom, as Windows rectangles
// are: a fill of (l, t, r, b) covers columns l .. r-1 and rows t .. b-1.
#include "scope/ScopeSamples.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velt {

struct ChartRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ChartRect&) const = default;
};

struct ChartRanges {
    double XMin = 0.0, XMax = 4.0; // seconds before the newest sample
    double YMin = -10.0, YMax = 10.0;
    // Where time 0 of the time axis lies, in seconds before the newest
    // sample: 0 for a running picture (the axis counts back from now), the
    // trigger point for a caught one. A sample s seconds old is shown at
    // time XOrigin - s.
    double XOrigin = 0.0;
};

// The axis time of a point s seconds before the newest sample. A running
// picture (origin 0) keeps the sign of -s, so that now prints as -0.0; on a
// caught one the trigger point is a plain 0, not a rounding error's -0.0.
inline double AxisTime(const ChartRanges& r, double secondsBefore) {
    if (r.XOrigin == 0.0) return -secondsBefore;
    const double t = r.XOrigin - secondsBefore;
    return std::fabs(t) < 1e-9 ? 0.0 : t;
}

// Steps of 50 ms that fit the X range (on the 50 ms grid, samples), at
// most the ring's capacity: min(30000, (xmax - xmin) * 20). Zero or below for an empty or
// reversed range.
double SampleLimit(double xmin, double xmax);

// PointCount after one more append: one more, cut back to the limit
// (truncated) once it reaches it. Never below 0, so an empty or reversed X
// range shows nothing instead of a negative count.
int NextPointCount(int pointCount, double limit);

// The shown count after one more sample was pushed to `samples`: one more,
// less the oldest of them that lie trunc(limit) steps or more before the
// newest, and never more than the ring holds. On the 50 ms grid this is
// NextPointCount.
int ShownAfterAppend(const ScopeSamples& samples, int pointCount, double limit);

// Digits of the wider Y limit: the larger of |trunc(log10 |v|)| for both,
// a zero (or non-finite) limit counting as 0.
int LeftMarginDigits(double ymin, double ymax);

// The plot rectangle inside the client area: 20, 10, 10 and 35 pixels from
// the client's edges, then the left edge moved to 6 x digits + 36 from the
// client's left (36 for limits between 0.1 and 10, 54 for +-5000, 48 for
// +-0.005). When the widest Y label (in pixels, 0 when not measured) would
// not fit between the client's left edge and the label gap, the edge moves
// right until it does, so that no label is drawn off the control. The left
// edge never passes the right one, so huge limits leave an empty plot rather
// than an inverted one.
ChartRect PlotRectFor(const ChartRect& client, double ymin, double ymax, int widestYLabel = 0);

// Pixel of a sample inside the plot rectangle. Columns lie on a grid fixed
// to the samples' times in 50 ms steps (ScopeSamples::Step; on the 50 ms
// grid a sample's number), not to their ages, so that one more sample moves
// every older one by the same whole number of columns and a picture can be
// shifted instead of drawn again. With p = (R - L) / (xrange x 20) pixels
// per step and n the newest sample's step:
//   column(s) = floor(p x s)
//   base(n)   = L + ceil(p x (XMax x 20 - n))
//   x(s)      = base(n) + column(s)        (s lies n - s steps before the newest)
//   y         = B - trunc((v - YMin) x (B - T) / (YMax - YMin))
// Each sample lands less than a pixel from its exact place L + p x (XMax x
// 20 - (n - s)): the newest at the right edge for an X minimum of 0, the one
// XMax seconds old at the left edge. Results far outside the plot are
// clamped to +-kFarPixel (they are cut at the frame anyway), and a NaN value
// maps to the bottom edge, so no input makes the conversion undefined.
//
// Made from a sample number, the map places ages on the 50 ms grid (age k
// at step n - k). Made from a ScopeSamples and the count of its newest
// samples it draws, it reads each age's step there (the caller keeps the
// samples unchanged while it uses the map), or, where those samples lie one
// step apart, places them as on the grid from the newest one's step.
class PixelMap {
public:
    static constexpr int kFarPixel = 1 << 20;

    PixelMap(const ChartRect& plot, const ChartRanges& ranges, int64_t newestSample = 0);
    PixelMap(const ChartRect& plot, const ChartRanges& ranges, const ScopeSamples& samples, int count);

    // False when the X range is empty or reversed or the Y range empty:
    // then no trace is drawn.
    bool Drawable() const { return drawable_; }
    int X(int age) const { return XOfStep(samples_ != nullptr ? samples_->Step(age) : newest_ - age); }
    int XOfSample(int64_t sample) const { return XOfStep(static_cast<double>(sample)); }
    int XOfStep(double step) const {
        const int64_t x = base_ + Column(step);
        return static_cast<int>(std::clamp<int64_t>(x, -kFarPixel, kFarPixel));
    }
    // The grid column of a step and the base of a newest step (see above).
    // A picture drawn when `older` was the newest step lies Base(older) -
    // Base(newer) columns further right than it would now.
    int64_t Column(double step) const {
        const double c = std::floor(xPerSample_ * step);
        return static_cast<int64_t>(std::clamp(c, -kColumnLimit, kColumnLimit));
    }
    int64_t Base(double newestStep) const;
    int Y(double value) const;
    // Steps per pixel column (1 / pixels per step).
    double SamplesPerColumn() const { return xPerSample_ > 0 ? 1.0 / xPerSample_ : 1.0; }
    // A value that orders like its pixel row: NaN (drawn on the bottom edge)
    // becomes YMin. Y is monotonic in the value, so the extremes of a set of
    // samples give the extremes of their rows.
    double Ordered(double value) const { return std::isnan(value) ? yMin_ : value; }
    // The age whose place is nearest to pixel column x (may lie outside the
    // ring or the shown samples; callers check).
    int AgeAt(int x) const;
    // The youngest age (0 .. count) whose column lies left of x; count when
    // every one of the `count` newest samples lies at x or right of it.
    int FirstAgeLeftOf(int x, int count) const;

private:
    // Grid columns are kept far inside the 64-bit range, so that differences
    // of two never overflow.
    static constexpr double kColumnLimit = 1e15;

    double left_, bottom_;
    double xPerSample_ = 0, newestAt_ = 0; // newestAt_ = XMax * 20
    double height_ = 0, ySpan_ = 1, yMin_ = 0;
    double newest_ = 0;
    int64_t base_ = 0;
    const ScopeSamples* samples_ = nullptr;
    bool drawable_ = false;
};

// The plot's continuous axes, for what the user points at: the axis time
// of a pixel column and back, the Y value of a pixel row and back. Unlike
// PixelMap it does not snap to the sample grid. Callers check Valid().
class AxisMap {
public:
    AxisMap(const ChartRect& plot, const ChartRanges& ranges) : plot_(plot), r_(ranges) {}
    bool Valid() const {
        return plot_.Width() > 0 && plot_.Height() > 0 && r_.XMax != r_.XMin && r_.YMax != r_.YMin &&
               std::isfinite(r_.XMax - r_.XMin) && std::isfinite(r_.YMax - r_.YMin);
    }
    // x = L shows XMax seconds back, x = R shows XMin seconds back.
    double TimeAt(double x) const {
        return AxisTime(r_, r_.XMax - (x - plot_.left) * (r_.XMax - r_.XMin) / plot_.Width());
    }
    double XAt(double time) const {
        const double secondsBefore = r_.XOrigin - time;
        return plot_.left + (r_.XMax - secondsBefore) * plot_.Width() / (r_.XMax - r_.XMin);
    }
    // y = B shows YMin, y = T shows YMax.
    double ValueAt(double y) const {
        return r_.YMin + (plot_.bottom - y) * (r_.YMax - r_.YMin) / plot_.Height();
    }
    double YAt(double value) const {
        return plot_.bottom - (value - r_.YMin) * plot_.Height() / (r_.YMax - r_.YMin);
    }

private:
    ChartRect plot_;
    ChartRanges r_;
};

// "%.*lf" with precision 1, as every axis label is printed.
std::string FormatAxisNumber(double value);

enum class LabelAlign { LeftTop, CenterTop, RightTop, RightBaseline, CenterBaseline };

struct ChartLabel {
    std::string Text;
    int X = 0, Y = 0;
    LabelAlign Align = LabelAlign::LeftTop;
    bool Vertical = false; // written bottom to top (the Y units)
    // The rectangle the text covers (filled with the background when drawn),
    // when the layout was given the font's measures; empty otherwise and for
    // vertical text.
    ChartRect Box{};
    bool operator==(const ChartLabel&) const = default;
};

// The label font's measures: the advance of a text in pixels and the
// font's ascent and descent. Deterministic for one font.
struct TextMeasure {
    std::function<int(const std::string&)> Width;
    int Ascent = 0, Descent = 0;
};

// The rectangle a horizontal label covers with this font: its reference
// point is the top or the baseline, and the left edge, centre (width / 2 to
// the left) or right edge of the text.
ChartRect LabelBox(const std::string& text, int x, int y, LabelAlign align, const TextMeasure& measure);

// Texts of the Y labels, top to bottom (YMax, the inner ones, YMin), as the
// grid prints them: what decides the left margin's measured width.
std::vector<std::string> YLabelTexts(const ChartRanges& ranges, int horizontalLines);

// The smallest free space kept between two labels of one axis.
inline constexpr int kLabelSpacing = 6;

struct ChartLine {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    bool operator==(const ChartLine&) const = default;
};

// Everything the background image shows besides its fill: the frame
// (a closed rectangle from (L,T) to (R+1,B+1)), the dotted grid lines and the
// labels with their texts, reference points and alignments.
struct GridPicture {
    ChartRect Frame; // left, top, right, bottom corners of the frame lines (inclusive)
    std::vector<ChartLine> HorizontalGrid;
    std::vector<ChartLine> VerticalGrid;
    std::vector<ChartLabel> Labels;
};

struct GridSettings {
    int VerticalLines = 9;
    int HorizontalLines = 5;
    std::string XUnits = "Samples";
    std::string YUnits = "Y units";
};

// Without a measure every grid line is labelled. With one, the labels get
// their boxes and each axis keeps its two end labels and every step-th
// inner one, the smallest step at which no two kept labels come closer than
// kLabelSpacing; inner labels that would crowd an end label are left out,
// and of two end labels that cannot both fit, the one at the far end (XMax
// on the time axis, YMax on the value axis) is kept. The X caption moves
// down, if need be, to stay clear of the X labels.
GridPicture LayoutGrid(const ChartRect& client, const ChartRect& plot, const ChartRanges& ranges,
                       const GridSettings& settings, const TextMeasure* measure = nullptr);

} // namespace velt
