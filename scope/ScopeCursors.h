#pragma once
// The chart's measuring cursors without a toolkit: two time cursors and two
// value cursors, what they read off the samples on show, and the text of
// the read-out. Times are axis times (seconds, as the time axis is
// labelled: before now on a running picture, from the trigger point on a
// caught one); values are in the plotted units of the Y axis.
//
// The caller holds the sample store's lock while these read the samples.
#include "scope/ScopeExport.h"

#include <optional>
#include <string>

namespace velt {

enum class CursorId { T1, T2, V1, V2 };

struct ChartCursors {
    bool On = false;
    double T1 = 0, T2 = 0;          // axis times, seconds
    double V1 = 0, V2 = 0;          // Y values
    CursorId Active = CursorId::T1; // the one the arrow keys move
    bool operator==(const ChartCursors&) const = default;
};

inline bool IsTimeCursor(CursorId id) {
    return id == CursorId::T1 || id == CursorId::T2;
}

// Cursors switched on where a user can see and grab them: the time cursors at
// a quarter and three quarters of the X range, the value cursors at a
// quarter and three quarters of the Y range (V1 the upper one).
ChartCursors PlacedCursors(const ChartRanges& ranges);

// A trace's value at an axis time, interpolated linearly by time between
// the two samples around it; nothing when the time lies outside the shown
// samples or the trace is off.
std::optional<double> TraceValueAt(const ChartView& view, int trace, double time);

// A read-out number: at most three decimals, without trailing zeros
// ("59000", "12.5", "-0.333").
std::string ReadoutNumber(double v);

// The read-out, one line each:
//   t1 -7.500 s, t2 -2.500 s, Δt 5.000 s, 1/Δt 0.200 Hz
//   <name>: t1 1000, t2 60000, Δ 59000      (each enabled trace; "-" where
//                                            a cursor lies outside the samples)
//   v1 2500, v2 -2500, Δv -5000
// 1/Δt reads "-" when both time cursors stand at the same time.
std::string CursorReadout(const ChartView& view, const ChartCursors& cursors);

} // namespace velt
