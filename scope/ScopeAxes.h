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
#include <vector>

namespace velt {

// A leading decimal number as typed into a box: blanks, an optional sign,
// digits with an optional decimal point and exponent; text that does not
// start with a number reads as 0. A number too large for a double saturates
// at the largest finite one, so every box reads as a finite value.
double ReadLeadingDecimal(std::string_view text);
// The same, or nothing when the text does not start with a number.
std::optional<double> ParseLeadingDecimal(std::string_view text);

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

// The largest magnitude each axis takes, from a box or as the result of an
// operation. Time: the chart keeps 30000 samples at 20 per second, so
// nothing older than 1500 s exists to be shown. Values: the samples are
// 32-bit drive values (up to 2147483647, with Auto Y's margin about 2.3e9)
// times the channel's scale; every label prints "%.1f", so 1e10 keeps them
// to 14 characters ("-10000000000.0"), for which the chart's left margin is
// 96 pixels, or wider when the font needs it. Beyond these the labels would
// grow without end (a 1e308 prints 309 digits) and spans overflow to
// infinity.
inline constexpr double kAxisSecondsLimit = 1500.0;
inline constexpr double kAxisValueLimit = 1e10;

enum class AxisProblem {
    NotANumber,       // the box does not start with a number
    OutOfRange,       // the box's number lies beyond its axis's limit
    EqualLimits,      // minimum and maximum are the same
    MinAboveMax,      // the operation would turn the range upside down
    AmpTooSmall,      // an amplitude below 2 gives no range
    ResultOutOfRange, // the operation would take the range beyond the limit
};

// The one reader of the scope's number boxes (the axis boxes and the
// trigger's level and holdoff): the box's leading number when it lies
// within lowest .. highest; otherwise nothing, with *problem telling why
// (NotANumber or OutOfRange).
std::optional<double> ReadNumberBox(std::string_view text, double lowest, double highest,
                                    AxisProblem* problem);

// Why an axis was left as it was.
struct AxisRefusal {
    char Axis = 'Y';   // 'X' or 'Y'
    std::string Field; // the box ("X Max", "Amp Y") or the operation ("Y zoom")
    AxisProblem Problem = AxisProblem::NotANumber;
    std::string Text; // as typed, or the range the operation would give
    AxisRange Kept;   // the range that stays in force
};

// The message that tells the refusals: one line for each, then, for each
// axis, the range that stays. "\r\n" between lines.
std::string AxisRefusalText(const std::vector<AxisRefusal>& refused, bool korean);

// What one operation asks of the chart and the span label.
struct AxisChange {
    std::optional<AxisRange> X; // set the chart's X range
    std::optional<AxisRange> Y; // set the chart's Y range
    bool ShowSpan = false;      // show SpanText in the span label
    // Axes left unchanged, and why; their boxes are written back with the
    // range in force.
    std::vector<AxisRefusal> Refused;
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

    // The ranges last handed to the chart (initially 0 .. 10 and -5000 ..
    // 5000, as the window sets the chart up).
    AxisRange XInForce{0.0, 10.0};
    AxisRange YInForce{-5000.0, 5000.0};

    // Every operation reads only the boxes it needs. A box that does not
    // start with a number, or holds one beyond its axis's limit, leaves that
    // axis as it is, and so does a result beyond the limit, empty or upside
    // down; the refusal says why (AxisChange::Refused).
    //
    // Run: an X Min of 0.0001 or more becomes 0; the X range is set and
    // written back; the scroll bounds are taken from it.
    AxisChange Start();
    // Stop and hide: the same X Min rule and X range update.
    AxisChange Stop();
    // Both ranges from the boxes, each ordered; an axis with equal limits is
    // left as it is. The span (of the range in force afterwards) is shown in
    // every case.
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
    // A box of the axis: false (with the refusal added) when it is refused.
    bool ReadBox(const std::string& text, const char* field, char axis, double* value,
                 std::vector<AxisRefusal>* refused) const;
    // A computed range: set when it lies within the axis's limit and is in
    // order, refused (by `field`) otherwise.
    AxisChange SetYChecked(const char* field, double ymin, double ymax, bool showSpan);
    AxisChange SetXChecked(const char* field, double xmin, double xmax);
    bool ReadYBoxes(double* ymin, double* ymax, std::vector<AxisRefusal>* refused) const;
    // The axis left as it is: the refusals take the range in force, which
    // goes back into the boxes.
    AxisChange KeepX(std::vector<AxisRefusal> refused);
    AxisChange KeepY(std::vector<AxisRefusal> refused, bool showSpan);
};

} // namespace velt
