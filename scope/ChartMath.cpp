#include "scope/ChartMath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velt {

namespace {
constexpr int kPlotLeft = 20, kPlotTop = 10, kPlotRightGap = 10, kPlotBottomGap = 35;
constexpr int kMarginPerDigit = 6, kMarginBase = 36;
constexpr int kLabelGap = 4;    // between the plot and its labels
constexpr int kYLabelDrop = 3;  // inner Y labels sit this far below their grid line
constexpr int kXUnitsDrop = 16; // the X caption under the X labels
constexpr double kFar = PixelMap::kFarPixel;

int Digits(double v) {
    if (v == 0.0 || !std::isfinite(v)) return 0;
    const double d = std::trunc(std::log10(std::fabs(v)));
    return static_cast<int>(std::min(std::fabs(d), 400.0));
}

int Clamped(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(v, -kFar, kFar));
}
} // namespace

double SampleLimit(double xmin, double xmax) {
    const double limit = (xmax - xmin) * kSamplesPerSecond;
    if (std::isnan(limit)) return 0.0;
    return std::min(static_cast<double>(kScopeCapacity), limit);
}

int NextPointCount(int pointCount, double limit) {
    const int next = pointCount + 1;
    if (next >= limit) return limit > 0 ? static_cast<int>(limit) : 0;
    return next;
}

int ShownAfterAppend(const ScopeSamples& samples, int pointCount, double limit) {
    const double whole = limit > 0 ? std::trunc(limit) : 0.0;
    int count = static_cast<int>(
        std::min<int64_t>({int64_t{std::max(pointCount, 0)} + 1, kScopeCapacity, samples.Count()}));
    while (count > 0 && samples.StepsBefore(count - 1) >= whole)
        --count;
    return count;
}

int LeftMarginDigits(double ymin, double ymax) {
    return std::max(Digits(ymax), Digits(ymin));
}

ChartRect PlotRectFor(const ChartRect& client, double ymin, double ymax, int widestYLabel) {
    ChartRect plot{kPlotLeft, kPlotTop, client.right - kPlotRightGap, client.bottom - kPlotBottomGap};
    const long long left = std::max(
        client.left + static_cast<long long>(kMarginPerDigit) * LeftMarginDigits(ymin, ymax) + kMarginBase,
        client.left + static_cast<long long>(std::max(widestYLabel, 0)) + kLabelGap);
    plot.left = static_cast<int>(std::min<long long>(left, std::max(plot.right, client.left)));
    return plot;
}

PixelMap::PixelMap(const ChartRect& plot, const ChartRanges& r, int64_t newestSample)
    : left_(plot.left), bottom_(plot.bottom), yMin_(r.YMin), newest_(static_cast<double>(newestSample)) {
    const double xscale = (r.XMax - r.XMin) * kSamplesPerSecond;
    const double yspan = r.YMax - r.YMin;
    drawable_ = xscale > 0 && std::isfinite(xscale) && yspan != 0 && std::isfinite(yspan);
    if (!drawable_) {
        base_ = plot.left;
        return;
    }
    xPerSample_ = (plot.right - plot.left) / xscale;
    newestAt_ = r.XMax * kSamplesPerSecond;
    height_ = plot.bottom - plot.top;
    ySpan_ = yspan;
    base_ = Base(newest_);
}

PixelMap::PixelMap(const ChartRect& plot, const ChartRanges& r, const ScopeSamples& samples, int count)
    : PixelMap(plot, r, int64_t{0}) {
    if (!samples.EvenlySpaced(count)) samples_ = &samples;
    newest_ = samples.Count() > 0 ? samples.Step(0) : 0.0;
    if (drawable_) base_ = Base(newest_);
}

int64_t PixelMap::Base(double newestStep) const {
    const double b = left_ + std::ceil(xPerSample_ * (newestAt_ - newestStep));
    return static_cast<int64_t>(std::clamp(b, -kColumnLimit, kColumnLimit));
}

int PixelMap::Y(double value) const {
    if (std::isnan(value)) return static_cast<int>(bottom_);
    // Multiplied before dividing: a sample at YMax lands exactly on the top
    // row, where dividing first could round it one pixel low.
    return Clamped(bottom_ - std::trunc((value - yMin_) * height_ / ySpan_));
}

int PixelMap::AgeAt(int x) const {
    if (!drawable_ || xPerSample_ == 0) return -1;
    const double before = newestAt_ - (x - left_) / xPerSample_; // steps before the newest
    if (samples_ == nullptr || before < 0) return Clamped(std::round(before));
    const int held = static_cast<int>(std::min<int64_t>(samples_->Count(), kScopeCapacity));
    const int older = samples_->OldestWithin(before, held);
    if (older < 0) return Clamped(std::round(before));
    if (older + 1 >= held)
        return before - samples_->StepsBefore(older) <= 0.5 ? older
                                                            : std::max(held, Clamped(std::round(before)));
    const bool olderNearer =
        before - samples_->StepsBefore(older) <= samples_->StepsBefore(older + 1) - before;
    return olderNearer ? older : older + 1;
}

int PixelMap::FirstAgeLeftOf(int x, int count) const {
    if (!drawable_ || count <= 0) return std::max(count, 0);
    if (samples_ != nullptr) {
        // The columns fall as the ages grow: the first age left of x by halves.
        int low = 0, high = count;
        while (low < high) {
            const int mid = low + (high - low) / 2;
            if (X(mid) < x)
                high = mid;
            else
                low = mid + 1;
        }
        return low;
    }
    // The columns fall by xPerSample_ per age: start from that estimate and
    // correct it by the few steps the rounding of the grid can add.
    const double estimate = (left_ + xPerSample_ * newestAt_ - x) / xPerSample_;
    int age = static_cast<int>(std::clamp(std::floor(estimate), 0.0, static_cast<double>(count)));
    while (age > 0 && X(age - 1) < x)
        --age;
    while (age < count && X(age) >= x)
        ++age;
    return age;
}

std::string FormatAxisNumber(double value) {
    const int precision = 1;
    const int n = std::snprintf(nullptr, 0, "%.*lf", precision, value);
    std::string text(static_cast<size_t>(std::max(n, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.*lf", precision, value);
    return text;
}

ChartRect LabelBox(const std::string& text, int x, int y, LabelAlign align, const TextMeasure& m) {
    const int w = m.Width ? m.Width(text) : 0;
    int left = x;
    if (align == LabelAlign::CenterTop || align == LabelAlign::CenterBaseline) left -= w / 2;
    if (align == LabelAlign::RightTop || align == LabelAlign::RightBaseline) left -= w;
    const bool top =
        align == LabelAlign::LeftTop || align == LabelAlign::CenterTop || align == LabelAlign::RightTop;
    const int boxTop = top ? y : y - m.Ascent;
    return {left, boxTop, left + w, boxTop + m.Ascent + m.Descent};
}

std::vector<std::string> YLabelTexts(const ChartRanges& r, int hl) {
    std::vector<std::string> texts{FormatAxisNumber(r.YMax)};
    for (int k = 1; k <= hl; ++k)
        texts.push_back(FormatAxisNumber(r.YMax - (r.YMax - r.YMin) * k / (hl + 1)));
    texts.push_back(FormatAxisNumber(r.YMin));
    return texts;
}

namespace {

// Space kept around a label box: across the axis's labels (X: side by side)
// and between the rows of the Y labels.
constexpr int kRowSpacing = 2;

// Whether two boxes, each grown by the spacing, would overlap.
bool Crowded(const ChartRect& a, const ChartRect& b) {
    return a.left < b.right + kLabelSpacing && b.left < a.right + kLabelSpacing &&
           a.top < b.bottom + kRowSpacing && b.top < a.bottom + kRowSpacing;
}

// One axis's labels: the far end (XMax / YMax), the near end and the inner
// ones in order from the far end to the near one, all with boxes. Returns
// the labels kept, in that order (far end, near end, inner).
std::vector<ChartLabel> SpaceAxisLabels(const ChartLabel& farEnd, const ChartLabel& nearEnd,
                                        const std::vector<ChartLabel>& inner) {
    if (Crowded(farEnd.Box, nearEnd.Box)) return {farEnd};
    const int n = static_cast<int>(inner.size());
    for (int step = 1; step <= n; ++step) {
        std::vector<ChartLabel> kept;
        for (int i = step; i <= n; i += step) {
            const ChartLabel& l = inner[i - 1];
            if (!Crowded(l.Box, farEnd.Box) && !Crowded(l.Box, nearEnd.Box)) kept.push_back(l);
        }
        bool apart = true;
        for (size_t k = 1; k < kept.size() && apart; ++k)
            apart = !Crowded(kept[k - 1].Box, kept[k].Box);
        if (!apart) continue;
        kept.insert(kept.begin(), {farEnd, nearEnd});
        return kept;
    }
    return {farEnd, nearEnd};
}

} // namespace

GridPicture LayoutGrid(const ChartRect& client, const ChartRect& plot, const ChartRanges& r,
                       const GridSettings& s, const TextMeasure* measure) {
    const int L = plot.left, T = plot.top, R = plot.right, B = plot.bottom;
    GridPicture g;
    g.Frame = {L, T, R + 1, B + 1};
    const int hl = s.HorizontalLines, vl = s.VerticalLines;
    for (int k = 1; k <= hl; ++k) {
        const int y = T + (B - T) * k / (hl + 1);
        g.HorizontalGrid.push_back({L, y, R, y});
    }
    for (int k = 1; k <= vl; ++k) {
        const int x = L + (R - L) * k / (vl + 1);
        g.VerticalGrid.push_back({x, T, x, B});
    }

    const auto label = [&](std::string text, int x, int y, LabelAlign align) {
        ChartLabel l{std::move(text), x, y, align};
        if (measure) l.Box = LabelBox(l.Text, x, y, align, *measure);
        return l;
    };
    const auto addAxis = [&](const ChartLabel& farEnd, const ChartLabel& nearEnd,
                             std::vector<ChartLabel> inner) {
        if (measure) {
            for (ChartLabel& l : SpaceAxisLabels(farEnd, nearEnd, inner))
                g.Labels.push_back(std::move(l));
            return;
        }
        g.Labels.push_back(farEnd);
        g.Labels.push_back(nearEnd);
        for (ChartLabel& l : inner)
            g.Labels.push_back(std::move(l));
    };

    const std::vector<std::string> yTexts = YLabelTexts(r, hl);
    std::vector<ChartLabel> yInner;
    for (int k = 1; k <= hl; ++k)
        yInner.push_back(label(yTexts[k], L - kLabelGap, T + (B - T) * k / (hl + 1) + kYLabelDrop,
                               LabelAlign::RightBaseline));
    addAxis(label(yTexts.front(), L - kLabelGap, T, LabelAlign::RightTop),
            label(yTexts.back(), L - kLabelGap, B, LabelAlign::RightBaseline), std::move(yInner));

    std::vector<ChartLabel> xInner;
    for (int j = 0; j < vl; ++j) {
        const double v = AxisTime(r, r.XMin + (vl - j) * (r.XMax - r.XMin) / (vl + 1));
        std::string text = FormatAxisNumber(v);
        // Near the trigger point of a caught span a tick prints as 0.0; the
        // minus sign is for the running picture's "now" only.
        if (r.XOrigin != 0.0 && text == "-0.0") text = "0.0";
        xInner.push_back(
            label(std::move(text), L + (R - L) * (j + 1) / (vl + 1), B + kLabelGap, LabelAlign::CenterTop));
    }
    const size_t xFirst = g.Labels.size();
    addAxis(label(FormatAxisNumber(AxisTime(r, r.XMax)), L, B + kLabelGap, LabelAlign::LeftTop),
            label(FormatAxisNumber(AxisTime(r, r.XMin)), R, B + kLabelGap, LabelAlign::RightTop),
            std::move(xInner));

    int unitsTop = B + kXUnitsDrop;
    if (measure && !s.XUnits.empty()) {
        // Under the X labels, whatever the font's height.
        for (size_t i = xFirst; i < g.Labels.size(); ++i)
            unitsTop = std::max(unitsTop, g.Labels[i].Box.bottom + kRowSpacing);
    }
    g.Labels.push_back(label(s.XUnits, (L + R) / 2, unitsTop, LabelAlign::CenterTop));
    g.Labels.push_back({s.YUnits, 9 * (client.left + L) / 28, (T + B) / 2, LabelAlign::CenterBaseline, true});
    return g;
}

} // namespace velt
