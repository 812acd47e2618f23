#pragma once
// What the chart's right-click export and its hover read-out say about the
// samples on show, without a toolkit. The caller holds the sample store's
// lock (a ScopeSampleStore::Reader) while these read the ring buffer.
#include "scope/ChartMath.h"
#include "scope/ScopeSamples.h"

#include <array>
#include <string>
#include <vector>

namespace velt {

// The samples the chart holds and how it shows them.
struct ChartView {
    const ScopeSamples* Samples = nullptr;
    int PointCount = 0; // the newest samples shown
    int TraceCount = 1; // traces rendered (4 after the first append)
    TraceFlags TraceEnabled{};
    ChartRanges Ranges;
    std::array<std::string, kScopeTraces> TraceNames; // column and read-out names (UTF-8)
};

// Ages (0 = newest) of the samples on show: younger than PointCount and
// within the X range (XMin .. XMax seconds before the newest), oldest first.
std::vector<int> ShownAges(const ChartView& view);

// The axis time of the sample of `age`: from its own time (its steps
// before the newest; on the 50 ms grid age x 50 ms).
double SampleTime(const ChartView& view, int age);

// Shortest text that reads back as the same double ("1234", "-0.5").
std::string FormatSampleValue(double v);

// The axis time of the sample of `age` as the CSV and the read-outs print
// it: two decimals where the samples lie on whole 50 ms steps of the axis
// (a running picture on the 50 ms grid), four where time 0 lies between two
// samples (a caught trigger, placed by interpolation) or the samples lie at
// their polls' times.
std::string SampleTimeText(const ChartView& view, int age);

// CSV of the samples on show, oldest first: the axis time in seconds (0.00
// at the newest sample of a running picture, -0.05 before it, ...; 0 at the
// trigger point of a caught one), then one column per enabled trace with its
// name as header and the values as plotted. Comma separated, CR LF line
// ends, UTF-8; a name holding a comma or quote is quoted.
std::string ScopeCsv(const ChartView& view, const std::string& timeHeader);
// The same, only for the samples on show whose axis time lies between t1
// and t2 (either order, both ends included).
std::string ScopeCsvBetween(const ChartView& view, const std::string& timeHeader, double t1, double t2);

// One trace on show (and a command trace beside it) as the step figures
// take it: the axis times as the CSV writes them, so that the figures of an
// exported file are the figures of the picture, and the values as plotted.
// Only the samples between `between[0]` and `between[1]` (either order)
// when `between` is given. Value and Command are empty for a trace that is
// not shown (command: also for -1).
struct ShownSeries {
    std::vector<double> Time, Value, Command;
};
ShownSeries SeriesOnShow(const ChartView& view, int trace, int command, const double* between = nullptr);

// A CSV field: quoted (quotes doubled) when it holds a comma, a quote or a
// line end.
std::string CsvField(const std::string& s);

// The hover read-out at a sample age: "-3.45 s" and one line per enabled
// trace, "name: value". Only the time when no sample is shown at that age.
std::string HoverReadout(const ChartView& view, int age);

} // namespace velt
