#include "scope/ScopeAxes.h"

#include "base/LeadingNumber.h"
#include "base/LocalText.h"
#include "scope/ScopeTexts.h"

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

// Toward zero. The boxes are within the value limit, far inside 64 bits.
int64_t TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int64_t>(std::clamp(std::trunc(v), -4 * kAxisValueLimit, 4 * kAxisValueLimit));
}
} // namespace

double ReadLeadingDecimal(std::string_view s) {
    return ParseLeadingDecimal(s).value_or(0.0);
}

std::optional<double> ParseLeadingDecimal(std::string_view s) {
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
    if (mantissaDigits == 0) return std::nullopt;
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

namespace {

std::string Trimmed(std::string text) {
    const size_t from = text.find_first_not_of(' ');
    return from == std::string::npos ? std::string() : text.substr(from);
}

std::string AxisText(char axis, double v) {
    return Trimmed(axis == 'X' ? FormatX(v) : FormatY(v));
}

std::string RangeText(char axis, double min, double max) {
    return AxisText(axis, min) + " .. " + AxisText(axis, max);
}

const LocalText& ProblemText(const AxisRefusal& r) {
    switch (r.Problem) {
    case AxisProblem::NotANumber:
        return kAxisNotANumber;
    case AxisProblem::OutOfRange:
        return r.Axis == 'X' ? kAxisSecondsOutOfRange : kAxisValueOutOfRange;
    case AxisProblem::EqualLimits:
        return kAxisEqualLimits;
    case AxisProblem::MinAboveMax:
        return kAxisMinAboveMax;
    case AxisProblem::AmpTooSmall:
        return kAxisAmpTooSmall;
    case AxisProblem::ResultOutOfRange:
        break;
    }
    return r.Axis == 'X' ? kAxisSecondsResult : kAxisValueResult;
}

double AxisLimit(char axis) {
    return axis == 'X' ? kAxisSecondsLimit : kAxisValueLimit;
}

// Within the axis's limit (NaN is not).
bool Drawable(char axis, double v) {
    return std::fabs(v) <= AxisLimit(axis);
}

} // namespace

std::string AxisRefusalText(const std::vector<AxisRefusal>& refused, bool korean) {
    std::string text;
    const auto line = [&](const std::string& l) {
        if (!text.empty()) text += "\r\n";
        text += l;
    };
    for (const AxisRefusal& r : refused)
        line(FillText(ProblemText(r).Pick(korean),
                      {{"{field}", r.Field}, {"{axis}", std::string(1, r.Axis)}, {"{text}", r.Text}}));
    for (const char axis : {'X', 'Y'}) {
        for (const AxisRefusal& r : refused) {
            if (r.Axis != axis) continue;
            line(FillText(kAxisRangeStays.Pick(korean), {{"{axis}", std::string(1, axis)},
                                                         {"{min}", AxisText(axis, r.Kept.Min)},
                                                         {"{max}", AxisText(axis, r.Kept.Max)}}));
            break;
        }
    }
    return text;
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

ScopeAxes::ScopeAxes() : CenterText("0"), AmpText(FormatY(500)), SpanText(FormatY(10000)) {
    // The boxes start with the ranges in force (members declared after them).
    XMinText = FormatX(XInForce.Min);
    XMaxText = FormatX(XInForce.Max);
    YMinText = FormatY(YInForce.Min);
    YMaxText = FormatY(YInForce.Max);
}

AxisChange ScopeAxes::SetX(double xmin, double xmax) {
    XInForce = {xmin, xmax};
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
    YInForce = {ymin, ymax};
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

std::optional<double> ReadNumberBox(std::string_view text, double lowest, double highest,
                                    AxisProblem* problem) {
    const std::optional<double> v = ParseLeadingDecimal(text);
    if (!v) {
        *problem = AxisProblem::NotANumber;
        return std::nullopt;
    }
    if (!(*v >= lowest && *v <= highest)) {
        *problem = AxisProblem::OutOfRange;
        return std::nullopt;
    }
    return v;
}

bool ScopeAxes::ReadBox(const std::string& text, const char* field, char axis, double* value,
                        std::vector<AxisRefusal>* refused) const {
    AxisProblem problem = AxisProblem::NotANumber;
    if (const std::optional<double> v = ReadNumberBox(text, -AxisLimit(axis), AxisLimit(axis), &problem)) {
        *value = *v;
        return true;
    }
    AxisRefusal r;
    r.Axis = axis;
    r.Field = field;
    r.Problem = problem;
    r.Text = text;
    refused->push_back(std::move(r));
    return false;
}

AxisChange ScopeAxes::KeepX(std::vector<AxisRefusal> refused) {
    for (AxisRefusal& r : refused)
        r.Kept = XInForce;
    XMinText = FormatX(XInForce.Min);
    XMaxText = FormatX(XInForce.Max);
    AxisChange change;
    change.Refused = std::move(refused);
    return change;
}

AxisChange ScopeAxes::KeepY(std::vector<AxisRefusal> refused, bool showSpan) {
    for (AxisRefusal& r : refused)
        r.Kept = YInForce;
    YMinText = FormatY(YInForce.Min);
    YMaxText = FormatY(YInForce.Max);
    AxisChange change;
    change.Refused = std::move(refused);
    if (showSpan) {
        UpdateSpan(YInForce.Min, YInForce.Max);
        change.ShowSpan = true;
    }
    return change;
}

namespace {
// The refusal of a computed range, or nothing when it can be drawn.
std::optional<AxisRefusal> CheckResult(const char* field, char axis, double min, double max) {
    AxisRefusal r;
    r.Axis = axis;
    r.Field = field;
    if (!Drawable(axis, min) || !Drawable(axis, max)) {
        r.Problem = AxisProblem::ResultOutOfRange;
        r.Text = RangeText(axis, min, max);
    } else if (min == max) {
        r.Problem = AxisProblem::EqualLimits;
    } else if (min > max) {
        r.Problem = AxisProblem::MinAboveMax;
    } else {
        return std::nullopt;
    }
    return r;
}
} // namespace

AxisChange ScopeAxes::SetXChecked(const char* field, double xmin, double xmax) {
    if (auto refused = CheckResult(field, 'X', xmin, xmax)) return KeepX({*refused});
    return SetX(xmin, xmax);
}

AxisChange ScopeAxes::SetYChecked(const char* field, double ymin, double ymax, bool showSpan) {
    if (auto refused = CheckResult(field, 'Y', ymin, ymax)) return KeepY({*refused}, showSpan);
    return SetY(ymin, ymax, showSpan);
}

AxisChange ScopeAxes::TakeXRange() {
    std::vector<AxisRefusal> refused;
    double xmin = 0, xmax = 0;
    const bool minRead = ReadBox(XMinText, "X Min", 'X', &xmin, &refused);
    const bool maxRead = ReadBox(XMaxText, "X Max", 'X', &xmax, &refused);
    if (!minRead || !maxRead) return KeepX(std::move(refused));
    if (xmin >= kRunXMinLimit) xmin = 0.0;
    return SetX(xmin, xmax);
}

AxisChange ScopeAxes::Start() {
    AxisChange change = TakeXRange();
    XMaxAtRun = XInForce.Max;
    XMinAtRun = XInForce.Min;
    ScrollStep = kScrollStep;
    return change;
}

AxisChange ScopeAxes::Stop() {
    return TakeXRange();
}

AxisChange ScopeAxes::RangeApply() {
    AxisChange change;
    std::vector<AxisRefusal> refused;
    double xmin = 0, xmax = 0;
    const bool xminRead = ReadBox(XMinText, "X Min", 'X', &xmin, &refused);
    const bool xmaxRead = ReadBox(XMaxText, "X Max", 'X', &xmax, &refused);
    if (xminRead && xmaxRead) {
        if (xmin > xmax) std::swap(xmin, xmax);
        if (xmin != xmax)
            change.X = SetX(xmin, xmax).X;
        else
            refused.push_back({'X', "Range Apply", AxisProblem::EqualLimits, XMaxText, {}});
    }
    if (!refused.empty()) change.Refused = KeepX(std::move(refused)).Refused;

    refused.clear();
    double ymin = 0, ymax = 0;
    const bool yminRead = ReadBox(YMinText, "Y Min", 'Y', &ymin, &refused);
    const bool ymaxRead = ReadBox(YMaxText, "Y Max", 'Y', &ymax, &refused);
    if (yminRead && ymaxRead) {
        if (ymin > ymax) std::swap(ymin, ymax);
        if (ymin != ymax)
            change.Y = SetY(ymin, ymax, false).Y;
        else
            refused.push_back({'Y', "Range Apply", AxisProblem::EqualLimits, YMaxText, {}});
    }
    if (!refused.empty()) {
        for (AxisRefusal& r : KeepY(std::move(refused), false).Refused)
            change.Refused.push_back(std::move(r));
    }
    UpdateSpan(YInForce.Min, YInForce.Max);
    change.ShowSpan = true;
    return change;
}

AxisChange ScopeAxes::ZoomX(int delta) {
    std::vector<AxisRefusal> refused;
    double xmax = 0;
    if (!ReadBox(XMaxText, "X Max", 'X', &xmax, &refused)) return KeepX(std::move(refused));
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

bool ScopeAxes::ReadYBoxes(double* ymin, double* ymax, std::vector<AxisRefusal>* refused) const {
    const bool minRead = ReadBox(YMinText, "Y Min", 'Y', ymin, refused);
    const bool maxRead = ReadBox(YMaxText, "Y Max", 'Y', ymax, refused);
    return minRead && maxRead;
}

AxisChange ScopeAxes::ZoomY(int delta) {
    std::vector<AxisRefusal> refused;
    double ymin = 0, ymax = 0;
    if (!ReadYBoxes(&ymin, &ymax, &refused)) return KeepY(std::move(refused), true);
    const double mid = (ymin + ymax) / 2;
    const double factor = delta > 0 ? 0.5 : delta < 0 ? 2.0 : 1.0;
    return SetYChecked("Y zoom", mid - (mid - ymin) * factor, mid + (ymax - mid) * factor, true);
}

AxisChange ScopeAxes::ScrollY(int delta) {
    std::vector<AxisRefusal> refused;
    double ymin = 0, ymax = 0;
    if (!ReadYBoxes(&ymin, &ymax, &refused)) return KeepY(std::move(refused), true);
    const double step = (ymax - (ymin + ymax) / 2) / kYScrollDivisions;
    if (delta < 0) {
        ymin -= step;
        ymax -= step;
    } else if (delta > 0) {
        ymin += step;
        ymax += step;
    }
    return SetYChecked("Y scroll", ymin, ymax, true);
}

AxisChange ScopeAxes::ScrollX(int delta, bool running) {
    if (running) return {};
    std::vector<AxisRefusal> refused;
    double xmin = 0, xmax = 0;
    const bool minRead = ReadBox(XMinText, "X Min", 'X', &xmin, &refused);
    const bool maxRead = ReadBox(XMaxText, "X Max", 'X', &xmax, &refused);
    if (!minRead || !maxRead) return KeepX(std::move(refused));
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
    return SetXChecked("X scroll", xmin, xmax);
}

AxisChange ScopeAxes::Center() {
    std::vector<AxisRefusal> refused;
    double ymin = 0, ymax = 0, c = 0;
    const bool yRead = ReadYBoxes(&ymin, &ymax, &refused);
    const bool centreRead = ReadBox(CenterText, "Center", 'Y', &c, &refused);
    if (!yRead || !centreRead) return KeepY(std::move(refused), false);
    const double half = (ymax - ymin) / 2;
    return SetYChecked("Center", c - half, c + half, false);
}

AxisChange ScopeAxes::Amp() {
    std::vector<AxisRefusal> refused;
    double ymin = 0, ymax = 0;
    const bool yRead = ReadYBoxes(&ymin, &ymax, &refused);
    // The amplitude is a whole number of units: read as the other boxes are
    // ("5e4" is 50000, not 5), then cut to its whole part.
    double amp = 0;
    if (ReadBox(AmpText, "Amp Y", 'Y', &amp, &refused) && TruncToInt(amp) / 2 <= 0)
        refused.push_back({'Y', "Amp Y", AxisProblem::AmpTooSmall, AmpText, {}});
    if (!yRead || !refused.empty()) return KeepY(std::move(refused), true);
    const int64_t centre = TruncToInt((ymin + ymax) / 2);
    const int64_t half = TruncToInt(amp) / 2;
    return SetYChecked("Amp Y", static_cast<double>(centre - half), static_cast<double>(centre + half), true);
}

AxisChange ScopeAxes::AutoY(const ChannelExtremes& mins, const ChannelExtremes& maxs) {
    const auto [ymin, ymax] = AutoYRange(mins, maxs);
    return SetYChecked("Auto Y", ymin, ymax, true);
}

} // namespace velt
