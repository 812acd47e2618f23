#include "scope/StepResponse.h"

#include "scope/ScopeTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velt {

namespace {
constexpr size_t kMinSamples = 8;
// Start and final values are means over this share of the samples (at
// least two, at most kMaxWindow): long enough to average a few counts of
// noise away, short enough to stay off the move.
constexpr size_t kWindowShare = 20;
constexpr size_t kMinWindow = 2, kMaxWindow = 50;
// A step must exceed the start window's peak-to-peak noise this many times.
constexpr double kNoiseFactor = 4.0;
constexpr double kRelativeEps = 1e-9;
// A peak less than this share of the step beyond the final value is no
// overshoot: a trace still creeping in would otherwise show one.
constexpr double kMinOvershoot = 1e-3;

// Start, end and noise threshold of one channel.
struct Levels {
    double Start = 0.0, Final = 0.0, Threshold = 0.0;
    double Step() const { return Final - Start; }
    bool Moves() const { return std::fabs(Step()) > Threshold; }
};

Levels LevelsOf(std::span<const double> v, size_t w) {
    Levels l;
    double lo = v[0], hi = v[0];
    for (size_t i = 0; i < w; ++i) {
        l.Start += v[i];
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
    }
    for (size_t i = v.size() - w; i < v.size(); ++i)
        l.Final += v[i];
    l.Start /= static_cast<double>(w);
    l.Final /= static_cast<double>(w);
    const double eps = kRelativeEps * std::max({1.0, std::fabs(l.Start), std::fabs(l.Final)});
    l.Threshold = std::max(kNoiseFactor * (hi - lo), eps);
    return l;
}

// The sample before the first one that lies beyond the threshold from the
// start: the last sample of the rest before the move.
size_t Departure(std::span<const double> v, const Levels& l) {
    for (size_t i = 0; i < v.size(); ++i)
        if (std::fabs(v[i] - l.Start) > l.Threshold) return i == 0 ? 0 : i - 1;
    return v.size() - 1;
}

double Lerp(double t0, double t1, double y0, double y1, double level) {
    if (y1 == y0) return t1;
    return t0 + (level - y0) / (y1 - y0) * (t1 - t0);
}

// Normalised value: 0 at the start, 1 at the final value, for either sign.
struct Normal {
    std::span<const double> V;
    Levels L;
    double operator[](size_t i) const { return (V[i] - L.Start) / L.Step(); }
};

// Time the normalised trace first reaches `level` from `from` on.
std::optional<double> Crossing(std::span<const double> t, const Normal& y, size_t from, double level) {
    for (size_t i = from; i < t.size(); ++i) {
        if (y[i] >= level) return i == from ? t[i] : Lerp(t[i - 1], t[i], y[i - 1], y[i], level);
    }
    return std::nullopt;
}

// Index of the last sample outside `band` around the final value, or
// nothing when every sample from `from` on lies inside.
std::optional<size_t> LastOutside(const Normal& y, size_t from, size_t n, double band) {
    for (size_t i = n; i-- > from;)
        if (std::fabs(y[i] - 1.0) > band) return i;
    return std::nullopt;
}

// A parabola through the extreme sample and its neighbours places the peak
// between samples (a sampled trace rarely holds the peak itself).
void RefinePeak(std::span<const double> t, const Normal& y, size_t m, double* at, double* value) {
    *at = t[m];
    *value = y[m];
    if (m == 0 || m + 1 >= t.size()) return;
    const double t0 = t[m - 1], t1 = t[m], t2 = t[m + 1];
    const double y0 = y[m - 1], y1 = y[m], y2 = y[m + 1];
    const double d01 = (y1 - y0) / (t1 - t0), d12 = (y2 - y1) / (t2 - t1);
    const double a = (d12 - d01) / (t2 - t0);
    if (!(a < 0.0)) return;
    const double vertex = 0.5 * (t0 + t1) - d01 / (2.0 * a);
    if (vertex < t0 || vertex > t2) return;
    *at = vertex;
    *value = y0 + (vertex - t0) * d01 + a * (vertex - t0) * (vertex - t1);
}

void AllNot(StepFigures& f, StepWhy why) {
    for (StepFigure* x :
         {&f.Start, &f.Final, &f.Step, &f.Delay, &f.Lag, &f.Rise, &f.Peak, &f.PeakTime, &f.Overshoot,
          &f.Settling, &f.SteadyError, &f.FollowMax, &f.FollowRms, &f.InPosition})
        *x = StepFigure::Not(why);
}

// The figures of the channel alone, timed from `moveStart`.
void ResponseFigures(std::span<const double> t, const Normal& y, size_t from, size_t w, StepFigures& f,
                     size_t* settledIndex) {
    const StepSettings& s = f.Settings;
    const double start = f.MoveStartTime;
    const auto half = Crossing(t, y, from, 0.5);
    const auto low = Crossing(t, y, from, s.LowLevel);
    const auto high = Crossing(t, y, from, s.HighLevel);
    f.Delay = half ? StepFigure::Of(*half - start) : StepFigure::Not(StepWhy::NeverReaches);
    if (low && high) {
        f.Rise = StepFigure::Of(*high - *low);
        f.LowTime = *low;
        f.HighTime = *high;
    } else {
        f.Rise = StepFigure::Not(StepWhy::NeverReaches);
    }
    size_t m = from;
    for (size_t i = from; i < t.size(); ++i)
        if (y[i] > y[m]) m = i;
    double peakAt = 0.0, peak = 0.0;
    RefinePeak(t, y, m, &peakAt, &peak);
    const double abstep = std::fabs(y.L.Step());
    if ((peak - 1.0) * abstep > std::max(y.L.Threshold, kMinOvershoot * abstep)) {
        f.Peak = StepFigure::Of(y.L.Start + peak * y.L.Step());
        f.PeakTime = StepFigure::Of(peakAt - start);
        f.Overshoot = StepFigure::Of((peak - 1.0) * 100.0);
        f.PeakAt = peakAt;
    } else {
        f.Peak = f.PeakTime = StepFigure::Not(StepWhy::NoOvershoot);
        f.Overshoot = StepFigure::Of(0.0);
    }
    const size_t n = t.size();
    const auto out = LastOutside(y, from, n, s.Band);
    if (out && *out + w >= n) {
        f.Settling = StepFigure::Not(StepWhy::NeverSettles);
        *settledIndex = n - 1;
        return;
    }
    const size_t q = out.value_or(from);
    const double level = y[q] < 1.0 ? 1.0 - s.Band : 1.0 + s.Band;
    f.SettledAt = out ? Lerp(t[q], t[q + 1], y[q], y[q + 1], level) : t[from];
    f.Settling = StepFigure::Of(f.SettledAt - start);
    *settledIndex = std::min(q + 1, n - 1);
}

void InPositionFigure(const StepInput& in, const Levels& c, size_t w, StepFigures& f) {
    const auto t = in.Time;
    const auto cmd = in.Command;
    const size_t n = t.size();
    if (in.InPosition.size() != n) {
        f.InPosition = StepFigure::Not(StepWhy::NoInPositionData);
        return;
    }
    size_t last = n;
    for (size_t i = n; i-- > 0;) {
        if (std::fabs(cmd[i] - c.Final) > c.Threshold) {
            last = i;
            break;
        }
    }
    if (last != n && last + w >= n) {
        f.InPosition = StepFigure::Not(StepWhy::CommandNotArrived);
        return;
    }
    const size_t a = last == n ? 0 : last + 1;
    const double edge = last != n && cmd[last] < c.Final ? c.Final - c.Threshold : c.Final + c.Threshold;
    const double arrival = last == n ? t[0] : Lerp(t[last], t[a], cmd[last], cmd[a], edge);
    for (size_t i = a; i < n; ++i) {
        if (in.InPosition[i] == 0.0) continue;
        const double on = (i == 0 || in.InPosition[i - 1] != 0.0) ? t[i] : 0.5 * (t[i - 1] + t[i]);
        f.InPosition = StepFigure::Of(std::max(0.0, on - arrival));
        return;
    }
    f.InPosition = StepFigure::Not(StepWhy::NeverInPosition);
}

void CommandFigures(const StepInput& in, const Levels& v, size_t w, size_t settled, StepFigures& f) {
    const auto t = in.Time;
    const Levels c = LevelsOf(in.Command, w);
    f.SteadyError = f.Settling.Why == StepWhy::NeverSettles ? StepFigure::Not(StepWhy::NeverSettles)
                                                            : StepFigure::Of(v.Final - c.Final);
    if (!c.Moves()) {
        f.Lag = f.FollowMax = f.FollowRms = f.InPosition = StepFigure::Not(StepWhy::NoCommandStep);
        return;
    }
    const size_t from = Departure(in.Command, c);
    if (v.Moves()) {
        const auto vHalf = Crossing(t, Normal{in.Value, v}, from, 0.5);
        const auto cHalf = Crossing(t, Normal{in.Command, c}, from, 0.5);
        f.Lag = vHalf && cHalf ? StepFigure::Of(*vHalf - *cHalf) : StepFigure::Not(StepWhy::NeverReaches);
    } else {
        f.Lag = StepFigure::Not(StepWhy::NoStep);
    }
    const size_t to = v.Moves() ? std::max(settled, from) : t.size() - 1;
    double max = 0.0, sum = 0.0;
    for (size_t i = from; i <= to; ++i) {
        const double e = in.Command[i] - in.Value[i];
        max = std::max(max, std::fabs(e));
        sum += e * e;
    }
    f.FollowMax = StepFigure::Of(max);
    f.FollowRms = StepFigure::Of(std::sqrt(sum / static_cast<double>(to - from + 1)));
    InPositionFigure(in, c, w, f);
}
} // namespace

bool StepSettingsValid(const StepSettings& s) {
    return s.LowLevel > 0.0 && s.HighLevel < 1.0 && s.LowLevel < s.HighLevel && s.Band > 0.0 && s.Band < 0.5;
}

StepFigures ComputeStepFigures(const StepInput& in, const StepSettings& settings) {
    StepFigures f;
    f.Settings = settings;
    const size_t n = in.Time.size();
    if (n < kMinSamples || in.Value.size() != n) {
        AllNot(f, StepWhy::TooFewSamples);
        return f;
    }
    const size_t w = std::clamp(n / kWindowShare, kMinWindow, kMaxWindow);
    const bool hasCommand = in.Command.size() == n;
    const Levels v = LevelsOf(in.Value, w);
    f.Start = StepFigure::Of(v.Start);
    f.Final = StepFigure::Of(v.Final);
    f.Step = StepFigure::Of(v.Step());
    size_t settled = n - 1;
    if (v.Moves()) {
        const Levels ref = hasCommand ? LevelsOf(in.Command, w) : v;
        const size_t from =
            ref.Moves() ? Departure(hasCommand ? in.Command : in.Value, ref) : Departure(in.Value, v);
        f.HasStep = true;
        f.MoveStartTime = in.Time[from];
        f.LowValue = v.Start + settings.LowLevel * v.Step();
        f.HighValue = v.Start + settings.HighLevel * v.Step();
        f.BandLow = v.Final - settings.Band * std::fabs(v.Step());
        f.BandHigh = v.Final + settings.Band * std::fabs(v.Step());
        ResponseFigures(in.Time, Normal{in.Value, v}, from, w, f, &settled);
    } else {
        for (StepFigure* x : {&f.Delay, &f.Rise, &f.Peak, &f.PeakTime, &f.Overshoot, &f.Settling})
            *x = StepFigure::Not(StepWhy::NoStep);
    }
    if (hasCommand) {
        CommandFigures(in, v, w, settled, f);
    } else {
        for (StepFigure* x : {&f.Lag, &f.SteadyError, &f.FollowMax, &f.FollowRms, &f.InPosition})
            *x = StepFigure::Not(StepWhy::NoCommand);
    }
    return f;
}

namespace {
std::string Number(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v + 0.0);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

const LocalText& ReasonText(StepWhy why) {
    switch (why) {
    case StepWhy::None:
    case StepWhy::TooFewSamples:
        return kStepWhyTooFew;
    case StepWhy::NoStep:
        return kStepWhyNoStep;
    case StepWhy::NeverReaches:
        return kStepWhyNeverReaches;
    case StepWhy::NeverSettles:
        return kStepWhyNeverSettles;
    case StepWhy::NoOvershoot:
        return kStepWhyNoOvershoot;
    case StepWhy::NoCommand:
        return kStepWhyNoCommand;
    case StepWhy::NoCommandStep:
        return kStepWhyNoCommandStep;
    case StepWhy::NoInPositionData:
        return kStepWhyNoInPositionData;
    case StepWhy::NeverInPosition:
        return kStepWhyNeverInPosition;
    case StepWhy::CommandNotArrived:
        return kStepWhyCommandNotArrived;
    }
    return kStepWhyTooFew;
}

enum class Kind { Value, Seconds, Percent };

std::string Line(const LocalText& label, const StepFigure& x, Kind kind, bool korean, const std::string& unit,
                 const std::string& levels) {
    std::string text = FillText(label.Pick(korean), {{"{levels}", levels}}) + ": ";
    if (!x.Value)
        return text + FillText(kStepCannotBeGiven.Pick(korean), {{"{why}", ReasonText(x.Why).Pick(korean)}});
    switch (kind) {
    case Kind::Value:
        return text + Number(*x.Value, 3) + (unit.empty() ? "" : " " + unit);
    case Kind::Seconds:
        return text + Number(*x.Value, 4) + " s";
    case Kind::Percent:
        return text + Number(*x.Value, 2) + " %";
    }
    return text;
}
} // namespace

std::vector<std::string> StepFigureLines(const StepFigures& f, bool korean, const std::string& unit) {
    const StepSettings& s = f.Settings;
    const std::string rise = Number(s.LowLevel * 100.0, 1) + "-" + Number(s.HighLevel * 100.0, 1) + " %";
    const std::string band = Number(s.Band * 100.0, 2) + " %";
    const struct {
        const LocalText& Label;
        const StepFigure& Figure;
        Kind K;
        const std::string& Levels;
    } rows[] = {
        {kStepStart, f.Start, Kind::Value, rise},
        {kStepFinal, f.Final, Kind::Value, rise},
        {kStepSize, f.Step, Kind::Value, rise},
        {kStepDelay, f.Delay, Kind::Seconds, rise},
        {kStepRise, f.Rise, Kind::Seconds, rise},
        {kStepPeak, f.Peak, Kind::Value, rise},
        {kStepPeakTime, f.PeakTime, Kind::Seconds, rise},
        {kStepOvershoot, f.Overshoot, Kind::Percent, rise},
        {kStepSettling, f.Settling, Kind::Seconds, band},
        {kStepSteadyError, f.SteadyError, Kind::Value, rise},
        {kStepLag, f.Lag, Kind::Seconds, rise},
        {kStepFollowMax, f.FollowMax, Kind::Value, rise},
        {kStepFollowRms, f.FollowRms, Kind::Value, rise},
        {kStepInPosition, f.InPosition, Kind::Seconds, rise},
    };
    std::vector<std::string> lines;
    for (const auto& r : rows)
        lines.push_back(Line(r.Label, r.Figure, r.K, korean, unit, r.Levels));
    return lines;
}

} // namespace velt
