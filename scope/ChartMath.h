#pragma once
// The strip chart's geometry without a toolkit: the plot rectangle and its
// left margin, the sample limit of the X range, the pixel of a sample, and
// the frame, grid lines and labels drawn into the background image.
// Rectangles are half-open on the right and bottom, as Windows rectangles
// are: a fill of (l, t, r, b) covers columns l .. r-1 and rows t .. b-1.
#include <algorithm>
#include <cmath>
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
    double XMin = 0.0, XMax = 4.0; // seconds before now
    double YMin = -10.0, YMax = 10.0;
};

// Samples that fit the X range at 20 per second, at most the ring's
// capacity: min(30000, (xmax - xmin) * 20). Zero or below for an empty or
// reversed range.
double SampleLimit(double xmin, double xmax);

// PointCount after one more append: one more, cut back to the limit
// (truncated) once it reaches it. Never below 0, so an empty or reversed X
// range shows nothing instead of a negative count.
int NextPointCount(int pointCount, double limit);

// Digits of the wider Y limit: the larger of |trunc(log10 |v|)| for both,
// a zero (or non-finite) limit counting as 0.
int LeftMarginDigits(double ymin, double ymax);

// The plot rectangle inside the client area: 20, 10, 10 and 35 pixels from
// the client's edges, then the left edge moved to 6 x digits + 36 from the
// client's left (36 for limits between 0.1 and 10, 54 for +-5000, 48 for
// +-0.005). The left edge never passes the right one, so huge limits leave
// an empty plot rather than an inverted one.
ChartRect PlotRectFor(const ChartRect& client, double ymin, double ymax);

// Pixel of a sample inside the plot rectangle:
//   x = L + trunc((R - L) / (xrange * 20) * (XMax * 20 - age))
//   y = B - trunc((v - YMin) * (B - T) / (YMax - YMin))
// Results far outside the plot are clamped to +-kFarPixel (they are cut at
// the frame anyway), and a NaN value maps to the bottom edge, so no input
// makes the conversion undefined.
class PixelMap {
public:
    static constexpr int kFarPixel = 1 << 20;

    PixelMap(const ChartRect& plot, const ChartRanges& ranges);

    // False when the X range is empty or reversed or the Y range empty:
    // then no trace is drawn.
    bool Drawable() const { return drawable_; }
    int X(int age) const {
        const double x = left_ + std::trunc(xPerSample_ * (newestAt_ - age));
        return static_cast<int>(std::clamp(x, -double{kFarPixel}, double{kFarPixel}));
    }
    int Y(double value) const;
    // Samples per pixel column (1 / pixels per sample).
    double SamplesPerColumn() const { return xPerSample_ > 0 ? 1.0 / xPerSample_ : 1.0; }
    // A value that orders like its pixel row: NaN (drawn on the bottom edge)
    // becomes YMin. Y is monotonic in the value, so the extremes of a set of
    // samples give the extremes of their rows.
    double Ordered(double value) const { return std::isnan(value) ? yMin_ : value; }
    // The age whose pixel column is nearest to x (may lie outside the ring or
    // the shown samples; callers check).
    int AgeAt(int x) const;

private:
    double left_, bottom_;
    double xPerSample_ = 0, newestAt_ = 0; // newestAt_ = XMax * 20
    double height_ = 0, ySpan_ = 1, yMin_ = 0;
    bool drawable_ = false;
};

// "%.*lf" with precision 1, as every axis label is printed.
std::string FormatAxisNumber(double value);

enum class LabelAlign { LeftTop, CenterTop, RightTop, RightBaseline, CenterBaseline };

struct ChartLabel {
    std::string Text;
    int X = 0, Y = 0;
    LabelAlign Align = LabelAlign::LeftTop;
    bool Vertical = false; // written bottom to top (the Y units)
    bool operator==(const ChartLabel&) const = default;
};

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

GridPicture LayoutGrid(const ChartRect& client, const ChartRect& plot, const ChartRanges& ranges,
                       const GridSettings& settings);

} // namespace velt
