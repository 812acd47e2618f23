#include "scope/ScopeCursors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velt {

namespace {
constexpr double kQuarter = 0.25, kThreeQuarters = 0.75;
constexpr const char* kNone = "-";

std::string TimeText(double seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f s", seconds + 0.0);
    return text;
}

std::string Optional(const std::optional<double>& v) {
    return v ? ReadoutNumber(*v) : kNone;
}
} // namespace

ChartCursors PlacedCursors(const ChartRanges& r) {
    ChartCursors c;
    c.On = true;
    const double span = r.XMax - r.XMin;
    c.T1 = AxisTime(r, r.XMax - kQuarter * span);
    c.T2 = AxisTime(r, r.XMax - kThreeQuarters * span);
    c.V1 = r.YMin + kThreeQuarters * (r.YMax - r.YMin);
    c.V2 = r.YMin + kQuarter * (r.YMax - r.YMin);
    return c;
}

std::optional<double> TraceValueAt(const ChartView& view, int trace, double time) {
    if (trace < 0 || trace >= view.TraceCount || view.TraceEnabled[static_cast<size_t>(trace)] == 0 ||
        view.Samples == nullptr || !std::isfinite(time))
        return std::nullopt;
    // Steps before the newest sample; on the 50 ms grid the (fractional) age.
    const double before = (view.Ranges.XOrigin - time) * kSamplesPerSecond;
    const int last = std::min(view.PointCount, kScopeCapacity) - 1;
    if (last < 0) return std::nullopt;
    const ScopeSamples& s = *view.Samples;
    constexpr double kTolerance = 1e-9; // a cursor typed onto a sample's time
    if (!(before >= -kTolerance && before <= s.StepsBefore(last) + kTolerance)) return std::nullopt;
    const double clamped = std::clamp(before, 0.0, s.StepsBefore(last));
    const int younger = std::max(s.OldestWithin(clamped, last + 1), 0);
    const double a = s.At(trace, younger);
    if (younger == last) return a;
    const double from = s.StepsBefore(younger);
    const double share = (clamped - from) / (s.StepsBefore(younger + 1) - from);
    if (share < kTolerance) return a;
    const double b = s.At(trace, younger + 1);
    return a + (b - a) * share;
}

std::string ReadoutNumber(double v) {
    if (!std::isfinite(v)) return kNone;
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", v);
    std::string s = text;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string CursorReadout(const ChartView& view, const ChartCursors& c) {
    const double dt = c.T2 - c.T1;
    std::string text = "t1 " + TimeText(c.T1) + ", t2 " + TimeText(c.T2) + ", Δt " + TimeText(dt) + ", 1/Δt ";
    text += dt != 0.0 ? ReadoutNumber(1.0 / dt) + " Hz" : kNone;
    for (int t = 0; t < kScopeTraces; ++t) {
        if (t >= view.TraceCount || view.TraceEnabled[static_cast<size_t>(t)] == 0) continue;
        const std::optional<double> a = TraceValueAt(view, t, c.T1), b = TraceValueAt(view, t, c.T2);
        text += '\n' + view.TraceNames[static_cast<size_t>(t)] + ": t1 " + Optional(a) + ", t2 " +
                Optional(b) + ", Δ " + (a && b ? ReadoutNumber(*b - *a) : kNone);
    }
    text +=
        "\nv1 " + ReadoutNumber(c.V1) + ", v2 " + ReadoutNumber(c.V2) + ", Δv " + ReadoutNumber(c.V2 - c.V1);
    return text;
}

} // namespace velt
