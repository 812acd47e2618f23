#include "scope/ScopeExport.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace velt {

namespace {
constexpr double kAgeTolerance = 1e-9; // range ends typed in milliseconds are exact ages

bool TraceShown(const ChartView& view, int trace) {
    return trace < view.TraceCount && view.TraceEnabled[static_cast<size_t>(trace)] != 0;
}

std::string SecondsText(int age) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", -age / kSamplesPerSecond + 0.0);
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
} // namespace

std::vector<int> ShownAges(const ChartView& view) {
    std::vector<int> ages;
    const double first = std::ceil(view.Ranges.XMin * kSamplesPerSecond - kAgeTolerance);
    const double last = std::floor(view.Ranges.XMax * kSamplesPerSecond + kAgeTolerance);
    if (!(first <= last) || view.PointCount <= 0) return ages;
    const int youngest = static_cast<int>(std::max(first, 0.0));
    const int oldest = static_cast<int>(std::min(last, static_cast<double>(view.PointCount - 1)));
    for (int age = oldest; age >= youngest; --age)
        ages.push_back(age);
    return ages;
}

std::string FormatSampleValue(double v) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, v);
    return std::string(text, result.ptr);
}

std::string ScopeCsv(const ChartView& view, const std::string& timeHeader) {
    std::string csv = CsvField(timeHeader);
    for (int t = 0; t < kScopeTraces; ++t) {
        if (TraceShown(view, t)) csv += ',' + CsvField(view.TraceNames[static_cast<size_t>(t)]);
    }
    csv += "\r\n";
    for (int age : ShownAges(view)) {
        csv += SecondsText(age);
        for (int t = 0; t < kScopeTraces; ++t) {
            if (TraceShown(view, t)) csv += ',' + FormatSampleValue(view.Samples->At(t, age));
        }
        csv += "\r\n";
    }
    return csv;
}

std::string HoverReadout(const ChartView& view, int age) {
    std::string text = SecondsText(age) + " s";
    if (age < 0 || age >= view.PointCount || age >= kScopeCapacity) return text;
    for (int t = 0; t < kScopeTraces; ++t) {
        if (TraceShown(view, t))
            text += '\n' + view.TraceNames[static_cast<size_t>(t)] + ": " +
                    FormatSampleValue(view.Samples->At(t, age));
    }
    return text;
}

} // namespace velt
