#pragma once
// The chart's plot picture and the strokes of its traces.
//
// PlotRing holds the pixels of the plot rectangle only (everything around it
// is background in the plot layer) as a ring of pixel columns: shifting the
// picture left by some columns moves a start index instead of pixels, and
// only the columns that come in at the right are drawn. Columns here are
// the plot's own (0 = the plot's left edge), rows likewise.
//
// Threads: the chart renders and paints on the user-interface thread; the
// samples a render reads are the store's, read under its lock
// (ScopeSampleStore::Reader).
#include "scope/ChartMath.h"
#include "scope/ScopeSamples.h"
#include "scope/TraceLines.h"

#include <QColor>
#include <QImage>
#include <QRect>

#include <array>
#include <vector>

namespace velt {

class PlotRing {
public:
    // A plot of width x height pixels, all `background`.
    void Reset(int width, int height, QRgb background);
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }

    // Column c now shows what column c + columns showed. The `columns`
    // columns at the right hold stale pixels until they are cleared.
    void Shift(int columns);
    // Columns from .. to-1 (cut to the plot) back to the background.
    void ClearColumns(int from, int to);
    // Rows top .. bottom of column c in `colour` (the caller keeps them inside).
    void FillRun(int column, int top, int bottom, QRgb colour);

    QRgb Pixel(int column, int row) const;
    // For the columns from .. to-1 of plot row `row`: out[i] = under[i] XOR
    // pixel XOR background, in at most two straight runs.
    void ComposeRow(int row, int from, int to, const QRgb* under, QRgb* out) const;
    // The picture in plain column order.
    QImage Unrolled() const;

private:
    int Physical(int column) const {
        const int c = column + start_;
        return c >= width_ ? c - width_ : c;
    }

    QImage image_;
    int width_ = 0, height_ = 0;
    int start_ = 0; // physical column of plot column 0
    QRgb background_ = 0;
};

// The traces to draw and where.
struct TraceJob {
    const ScopeSamples* Samples = nullptr;
    int PointCount = 0;
    int TraceCount = 1;
    TraceFlags Enabled{};
    ChartRanges Ranges;
    ChartRect Plot;
};

enum class TraceRenderer {
    ColumnReduced, // what the chart uses: one run per pixel column and its join
    PointByPoint,  // every sample and every segment: the reference for tests and the benchmark
};

// Reused between renders so that a render allocates nothing once warm.
struct TraceRenderScratch {
    std::vector<ColumnRun> Runs;
};

// Draws each enabled trace below TraceCount in its colour into the plot
// columns from .. to-1 of `ring` (chart columns Plot.left + from ...), over
// whatever they hold: the caller clears them first. Later traces cover
// earlier ones where they cross. The column grid is fixed by the samples'
// steps (ScopeSamples::Step), so columns drawn now fit those drawn before a
// shift.
void RenderTraceColumns(PlotRing& ring, const TraceJob& job, const std::array<QRgb, kScopeTraces>& colours,
                        int from, int to, TraceRenderer renderer, TraceRenderScratch* scratch);

} // namespace velt
