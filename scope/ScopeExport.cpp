#include "scope/ScopeExport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velt {

namespace {
constexpr double kAgeTolerance = 1e-9; // range ends typed in milliseconds are exact ages

bool TraceShown(const ChartView& view, int trace) {
    return trace < view.TraceCount && view.TraceEnabled[static_cast<size_t>(trace)] != 0;
}

std::string CsvHeader(const ChartView& view, const std::string& timeHeader) {
    std::string csv = CsvField(timeHeader);
    for (int t = 0; t < kScopeTraces; ++t) {
        if (TraceShown(view, t)) csv += ',' + CsvField(view.TraceNames[static_cast<size_t>(t)]);
    }
    return csv + "\r\n";
}

std::string CsvLine(const ChartView& view, int age) {
    std::string line = SampleTimeText(view, age);
    for (int t = 0; t < kScopeTraces; ++t) {
        if (TraceShown(view, t)) line += ',' + FormatSampleValue(view.Samples->At(t, age));
    }
    return line + "\r\n";
}
} // namespace

double SampleTime(const ChartView& view, int age) {
    // Ages the ring does not hold (a pointer beside the trace) are placed
    // as on the grid.
    const bool held =
        view.Samples != nullptr && age >= 0 && age < kScopeCapacity && age < view.Samples->Count();
    return AxisTime(view.Ranges, held ? view.Samples->SecondsBefore(age) : age / kSamplesPerSecond);
}

std::string SampleTimeText(const ChartView& view, int age) {
    const double origin = view.Ranges.XOrigin * kSamplesPerSecond;
    const bool onSteps = std::fabs(origin - std::round(origin)) < kAgeTolerance &&
                         (view.Samples == nullptr || view.Samples->EvenlySpaced(view.PointCount));
    char text[48];
    std::snprintf(text, sizeof text, onSteps ? "%.2f" : "%.4f", SampleTime(view, age) + 0.0);
    return text;
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string quoted = "\"";
    for (char c : s) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::vector<int> ShownAges(const ChartView& view) {
    std::vector<int> ages;
    const double first = std::ceil(view.Ranges.XMin * kSamplesPerSecond - kAgeTolerance);
    const double last = std::floor(view.Ranges.XMax * kSamplesPerSecond + kAgeTolerance);
    const int count = std::min(view.PointCount, kScopeCapacity);
    if (!(first <= last) || count <= 0) return ages;
    if (view.Samples == nullptr || view.Samples->EvenlySpaced(count)) {
        const int youngest = static_cast<int>(std::max(first, 0.0));
        const int oldest = static_cast<int>(std::min(last, static_cast<double>(count - 1)));
        for (int age = oldest; age >= youngest; --age)
            ages.push_back(age);
        return ages;
    }
    const double from = view.Ranges.XMin * kSamplesPerSecond - kAgeTolerance;
    const double to = view.Ranges.XMax * kSamplesPerSecond + kAgeTolerance;
    for (int age = view.Samples->OldestWithin(to, count); age >= 0; --age) {
        if (view.Samples->StepsBefore(age) >= from) ages.push_back(age);
    }
    return ages;
}

// Whole numbers as digits (300000, never 3e+05): a position or a count is
// read by people and by scripts that expect integers. Others in the shortest
// form that reads back exactly.
std::string FormatSampleValue(double v) {
    char text[48];
    const bool whole = std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15;
    const auto result = whole ? std::to_chars(text, text + sizeof text, v, std::chars_format::fixed)
                              : std::to_chars(text, text + sizeof text, v);
    return std::string(text, result.ptr);
}

std::string ScopeCsv(const ChartView& view, const std::string& timeHeader) {
    std::string csv = CsvHeader(view, timeHeader);
    for (int age : ShownAges(view))
        csv += CsvLine(view, age);
    return csv;
}

std::string ScopeCsvBetween(const ChartView& view, const std::string& timeHeader, double t1, double t2) {
    std::string csv = CsvHeader(view, timeHeader);
    const double from = std::min(t1, t2) - kAgeTolerance, to = std::max(t1, t2) + kAgeTolerance;
    for (int age : ShownAges(view)) {
        const double t = SampleTime(view, age);
        if (t >= from && t <= to) csv += CsvLine(view, age);
    }
    return csv;
}

ShownSeries SeriesOnShow(const ChartView& view, int trace, int command, const double* between) {
    ShownSeries out;
    const bool valueOn = trace >= 0 && trace < kScopeTraces && TraceShown(view, trace);
    const bool commandOn = command >= 0 && command < kScopeTraces && TraceShown(view, command);
    if (!valueOn) return out;
    const double from = between ? std::min(between[0], between[1]) - kAgeTolerance : -HUGE_VAL;
    const double to = between ? std::max(between[0], between[1]) + kAgeTolerance : HUGE_VAL;
    for (int age : ShownAges(view)) {
        const double t = SampleTime(view, age);
        if (t < from || t > to) continue;
        out.Time.push_back(std::strtod(SampleTimeText(view, age).c_str(), nullptr));
        out.Value.push_back(view.Samples->At(trace, age));
        if (commandOn) out.Command.push_back(view.Samples->At(command, age));
    }
    return out;
}

std::string HoverReadout(const ChartView& view, int age) {
    std::string text = SampleTimeText(view, age) + " s";
    if (age < 0 || age >= view.PointCount || age >= kScopeCapacity) return text;
    for (int t = 0; t < kScopeTraces; ++t) {
        if (TraceShown(view, t))
            text += '\n' + view.TraceNames[static_cast<size_t>(t)] + ": " +
                    FormatSampleValue(view.Samples->At(t, age));
    }
    return text;
}

} // namespace velt
