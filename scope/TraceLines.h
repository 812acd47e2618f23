#pragma once
// Turns one trace's shown samples into the pixels it covers, without a
// toolkit, as vertical runs of pixel columns; the Qt side writes the runs
// into the plot picture.
//
// Lines are rasterised column by column (LineRuns), so that the pixels a
// line gives a column never depend on which other columns are drawn: a
// picture drawn a few columns at a time is the picture drawn at once, and a
// chart that shifts its picture and draws only the new columns stays exact.
//
// TraceRuns draws the trace the fast way: all samples that fall on one pixel
// column are joined by vertical steps, which together cover exactly the
// column's smallest to largest pixel; so each column becomes one vertical
// run plus the line joining it to the previous column (from that column's
// last sample to this column's first). PointByPointRuns draws every sample
// and every segment between neighbours, the plain way; both cover the same
// pixels, which the tests check.
#include "scope/ChartMath.h"
#include "scope/ScopeSamples.h"

#include <vector>

namespace velt {

// Rows Top .. Bottom (inclusive) of pixel column X.
struct ColumnRun {
    int X = 0, Top = 0, Bottom = 0;
    bool operator==(const ColumnRun&) const = default;
};

// The pixels of the line from (x0, y0) to (x1, y1), both ends included, in
// the columns and rows of `clip` (half-open), appended to *out. Column c
// covers the rows the line crosses between c - 1/2 and c + 1/2 (cut at the
// ends) and the row nearest to the line at c itself; so a line steeper than
// 45 degrees has one pixel per row, a flatter one one per column, and the
// line is the same whichever end it starts from.
void LineRuns(int x0, int y0, int x1, int y1, const ChartRect& clip, std::vector<ColumnRun>* out);

// The runs of the `count` newest samples of `row` that fall in the columns
// and rows of `clip`, appended to *out. Only the samples of those columns
// and their two neighbours outside are read, so a few columns cost a few
// columns' samples. Nothing when the map cannot draw.
void TraceRuns(const ScopeSamples& samples, int row, int count, const PixelMap& map, const ChartRect& clip,
               std::vector<ColumnRun>* out);

// The same pixels drawn point by point: every sample's pixel and the line to
// its older neighbour (up to 30000 lines per trace). The reference for tests
// and the benchmark.
void PointByPointRuns(const ScopeSamples& samples, int row, int count, const PixelMap& map,
                      const ChartRect& clip, std::vector<ColumnRun>* out);

} // namespace velt
