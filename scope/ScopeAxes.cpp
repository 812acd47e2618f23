#include "scope/ScopeAxes.h"

#include "base/LeadingNumber.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace velt {

namespace {
constexpr double kRunXMinLimit = 0.0001; // an X Min at or above this starts at 0
constexpr double kXZoomCoarse = 0.5, kXZoomFine = 0.1;
constexpr double kXMaxSmallest = 0.1, kXMaxLargest = 30.0;
constexpr double kXScrollSmallest = 0.099999; // a narrower window does not scroll
constexpr double kScrollStep = 0.1;
constexpr int kYScrollDivisions = 10; // a twentieth of the span per step
constexpr double kAutoYMinSpan = 1.0, kAutoYWiden = 200.0, kAutoYMarginDivisor = 20.0;

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Printf(const char* format, double v) {
    const int n = std::snprintf(nullptr, 0, format, v);
    std::string text(static_cast<size_t>(std::max(n, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, v);
    return text;
}

// Toward zero, saturated to the 32-bit range (as the extremes are kept).
int64_t TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int64_t>(std::clamp(std::trunc(v), double{INT32_MIN}, double{INT32_MAX}));
}
} // namespace

double ReadLeadingDecimal(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t from = i; // from_chars takes no sign but '-'; the sign is applied below
    size_t mantissaDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i)
        ++mantissaDigits;
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && IsDigit(s[i]); ++i)
            ++mantissaDigits;
    }
    if (mantissaDigits == 0) return 0.0;
    const size_t mantissaEnd = i;
    bool exponentNegative = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t e = i + 1;
        exponentNegative = e < s.size() && s[e] == '-';
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
        if (e < s.size() && IsDigit(s[e])) {
            while (e < s.size() && IsDigit(s[e]))
                ++e;
            i = e;
        }
    }
    double value = 0.0;
    if (std::from_chars(s.data() + from, s.data() + i, value).ec == std::errc::result_out_of_range) {
        // Too large saturates, too small reads as zero. With a mantissa in
        // range only the exponent's sign can tell which.
        double mantissa = 0.0;
        const bool mantissaFits = std::from_chars(s.data() + from, s.data() + mantissaEnd, mantissa).ec !=
                                  std::errc::result_out_of_range;
        bool wholeDigits = false; // a non-zero digit before the point: the mantissa is huge, not tiny
        for (size_t k = from; k < mantissaEnd && IsDigit(s[k]); ++k)
            wholeDigits = wholeDigits || s[k] != '0';
        const bool overflow = mantissaFits ? (i > mantissaEnd && !exponentNegative) : wholeDigits;
        value = overflow ? DBL_MAX : 0.0;
    }
    return negative ? -value : value;
}

std::string FormatX(double v) {
    return Printf("%5.3f", v);
}

std::string FormatY(double v) {
    return Printf("%5.1f", v);
}

std::pair<double, double> AutoYRange(const ChannelExtremes& mins, const ChannelExtremes& maxs) {
    int64_t lo = 0, hi = 0;
    for (size_t i = 0; i < mins.size(); ++i) {
        const int64_t l = mins[i] >= kNoChannelMin ? 0 : mins[i];
        const int64_t h = maxs[i] <= kNoChannelMax ? 0 : maxs[i];
        lo = i == 0 ? l : std::min(lo, l);
        hi = i == 0 ? h : std::max(hi, h);
    }
    double low = static_cast<double>(lo), high = static_cast<double>(hi);
    if (high - low < kAutoYMinSpan) {
        low -= kAutoYWiden;
        high += kAutoYWiden;
    }
    const double margin = (high - low) / kAutoYMarginDivisor;
    return {low - margin, high + margin};
}

ScopeAxes::ScopeAxes()
    : XMinText(FormatX(0)), XMaxText(FormatX(10)), YMinText(FormatY(-5000)), YMaxText(FormatY(5000)),
      CenterText("0"), AmpText(FormatY(500)), SpanText(FormatY(10000)) {}

AxisChange ScopeAxes::SetX(double xmin, double xmax) {
    XMinText = FormatX(xmin);
    XMaxText = FormatX(xmax);
    AxisChange change;
    change.X = AxisRange{xmin, xmax};
    return change;
}

void ScopeAxes::UpdateSpan(double ymin, double ymax) {
    SpanText = FormatY(ymax - ymin);
}

AxisChange ScopeAxes::SetY(double ymin, double ymax, bool showSpan) {
    YMinText = FormatY(ymin);
    YMaxText = FormatY(ymax);
    AxisChange change;
    change.Y = AxisRange{ymin, ymax};
    if (showSpan) {
        UpdateSpan(ymin, ymax);
        change.ShowSpan = true;
    }
    return change;
}

AxisChange ScopeAxes::TakeXRange() {
    double xmin = ReadLeadingDecimal(XMinText);
    if (xmin >= kRunXMinLimit) xmin = 0.0;
    return SetX(xmin, ReadLeadingDecimal(XMaxText));
}

AxisChange ScopeAxes::Start() {
    AxisChange change = TakeXRange();
    XMaxAtRun = change.X->Max;
    XMinAtRun = change.X->Min;
    ScrollStep = kScrollStep;
    return change;
}

AxisChange ScopeAxes::Stop() {
    return TakeXRange();
}

AxisChange ScopeAxes::RangeApply() {
    AxisChange change;
    double xmin = ReadLeadingDecimal(XMinText), xmax = ReadLeadingDecimal(XMaxText);
    if (xmin > xmax) std::swap(xmin, xmax);
    if (xmin != xmax) change.X = SetX(xmin, xmax).X;
    double ymin = ReadLeadingDecimal(YMinText), ymax = ReadLeadingDecimal(YMaxText);
    if (ymin > ymax) std::swap(ymin, ymax);
    if (ymin != ymax) change.Y = SetY(ymin, ymax, false).Y;
    UpdateSpan(ymin, ymax);
    change.ShowSpan = true;
    return change;
}

AxisChange ScopeAxes::ZoomX(int delta) {
    double xmax = ReadLeadingDecimal(XMaxText);
    if (delta > 0) {
        xmax -= xmax > kXZoomCoarse ? kXZoomCoarse : kXZoomFine;
        xmax = std::max(xmax, kXMaxSmallest);
    } else if (delta < 0) {
        if (xmax < kXMaxSmallest)
            xmax = kXMaxSmallest;
        else if (xmax >= kXZoomCoarse)
            xmax = std::min(xmax + kXZoomCoarse, kXMaxLargest);
        else
            xmax += kXZoomFine;
    }
    return SetX(0.0, xmax);
}

AxisChange ScopeAxes::ZoomY(int delta) {
    double ymin = ReadLeadingDecimal(YMinText), ymax = ReadLeadingDecimal(YMaxText);
    const double mid = (ymin + ymax) / 2;
    const double factor = delta > 0 ? 0.5 : delta < 0 ? 2.0 : 1.0;
    return SetY(mid - (mid - ymin) * factor, mid + (ymax - mid) * factor, true);
}

AxisChange ScopeAxes::ScrollY(int delta) {
    double ymin = ReadLeadingDecimal(YMinText), ymax = ReadLeadingDecimal(YMaxText);
    const double step = (ymax - (ymin + ymax) / 2) / kYScrollDivisions;
    if (delta < 0) {
        ymin -= step;
        ymax -= step;
    } else if (delta > 0) {
        ymin += step;
        ymax += step;
    }
    return SetY(ymin, ymax, true);
}

AxisChange ScopeAxes::ScrollX(int delta, bool running) {
    if (running) return {};
    double xmin = ReadLeadingDecimal(XMinText), xmax = ReadLeadingDecimal(XMaxText);
    if (xmax - xmin < kXScrollSmallest) return {};
    if (delta < 0) {
        if (xmax + ScrollStep > XMaxAtRun) {
            xmax = XMaxAtRun;
        } else {
            xmin += ScrollStep;
            xmax += ScrollStep;
        }
    } else {
        if (xmin - ScrollStep < XMinAtRun) {
            xmin = XMinAtRun;
        } else {
            xmin -= ScrollStep;
            xmax -= ScrollStep;
        }
    }
    return SetX(xmin, xmax);
}

AxisChange ScopeAxes::Center() {
    const double ymin = ReadLeadingDecimal(YMinText), ymax = ReadLeadingDecimal(YMaxText);
    const double half = (ymax - ymin) / 2;
    const double c = ReadLeadingDecimal(CenterText);
    return SetY(c - half, c + half, false);
}

AxisChange ScopeAxes::Amp() {
    const double ymin = ReadLeadingDecimal(YMinText), ymax = ReadLeadingDecimal(YMaxText);
    const int64_t centre = TruncToInt((ymin + ymax) / 2);
    const int64_t half = ReadLeadingNumber(std::string_view(AmpText)).value / 2;
    return SetY(static_cast<double>(centre - half), static_cast<double>(centre + half), true);
}

AxisChange ScopeAxes::AutoY(const ChannelExtremes& mins, const ChannelExtremes& maxs) {
    const auto [ymin, ymax] = AutoYRange(mins, maxs);
    return SetY(ymin, ymax, true);
}

} // namespace velt
