#pragma once
// The scope window's axis boxes and what its axis buttons and spin controls
// do to them, without a toolkit. The window copies its six boxes into the
// texts below ("read the boxes"), calls one operation, hands the resulting
// ranges to the chart and copies the texts back into the boxes ("write the
// boxes back"). User-interface thread only.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace velt {

// A leading decimal number as typed into a box: blanks, an optional sign,
// digits with an optional decimal point and exponent; text that does not
// start with a number reads as 0. A number too large for a double saturates
// at the largest finite one, so every box reads as a finite value.
double ReadLeadingDecimal(std::string_view text);

// printf's "%5.3f" and "%5.1f".
std::string FormatX(double v);
std::string FormatY(double v);

// The tracked extremes of the four channels (Auto Y): truncated toward zero,
// 100000000 / -100000000 while a channel has no sample.
inline constexpr int kNoChannelMin = 100000000;
inline constexpr int kNoChannelMax = -100000000;
using ChannelExtremes = std::array<int, 4>;

// The Y range that Auto Y fits to the extremes: a channel without samples
// counts as 0 at both ends; a span below 1 is widened by 200 each way; then a
// margin of a twentieth of the span on each side. All off: -220 .. 220.
std::pair<double, double> AutoYRange(const ChannelExtremes& mins, const ChannelExtremes& maxs);

struct AxisRange {
    double Min = 0, Max = 0;
};

// What one operation asks of the chart and the span label.
struct AxisChange {
    std::optional<AxisRange> X; // set the chart's X range
    std::optional<AxisRange> Y; // set the chart's Y range
    bool ShowSpan = false;      // show SpanText in the span label
};

class ScopeAxes {
public:
    // The boxes after initialisation: 0.000, 10.000, -5000.0, 5000.0, span
    // 10000.0, Amp 500.0, Center 0.
    ScopeAxes();

    std::string XMinText, XMaxText, YMinText, YMaxText;
    std::string CenterText, AmpText;
    std::string SpanText;

    // Bounds and step of the X scroll, taken when acquisition starts. Before
    // the first start they hold the initial range (0 .. 10) and 0.1 s.
    double XMaxAtRun = 10.0;
    double XMinAtRun = 0.0;
    double ScrollStep = 0.1;

    // Run: an X Min of 0.0001 or more becomes 0; the X range is set and
    // written back; the scroll bounds are taken from it.
    AxisChange Start();
    // Stop and hide: the same X Min rule and X range update.
    AxisChange Stop();
    // Both ranges from the boxes, each ordered; an axis with equal limits is
    // left as it is. The span is shown in every case.
    AxisChange RangeApply();
    // Spin controls: only the sign of delta counts.
    AxisChange ZoomX(int delta);
    AxisChange ZoomY(int delta);
    AxisChange ScrollY(int delta);
    // Ignored (nothing changes) while running.
    AxisChange ScrollX(int delta, bool running);
    AxisChange Center();
    AxisChange Amp();
    AxisChange AutoY(const ChannelExtremes& mins, const ChannelExtremes& maxs);

private:
    AxisChange TakeXRange();
    AxisChange SetX(double xmin, double xmax);
    AxisChange SetY(double ymin, double ymax, bool showSpan);
    void UpdateSpan(double ymin, double ymax);
};

} // namespace velt
