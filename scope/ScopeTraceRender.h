#pragma once
// Strokes the chart's traces into its plot image. Runs on whichever thread
// renders (the ScopeThread on append, the user-interface thread on a
// rebuild); the caller holds the window's chart lock. QImage painting is
// safe off the user-interface thread.
#include "scope/ChartMath.h"
#include "scope/PlotDamage.h"
#include "scope/ScopeSamples.h"
#include "scope/TraceLines.h"

#include <QLine>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QVector>

#include <array>
#include <vector>

class QImage;

namespace velt {

enum class TraceRenderer {
    ColumnReduced, // what the chart uses: at most two lines per pixel column
    PointByPoint,  // every sample a vertex: the reference for tests and the benchmark
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

// Reused between renders so that a render allocates nothing once warm.
class TraceRenderScratch {
public:
    std::vector<ChartLine> Lines;
    std::vector<PixelPoint> Points;
    QVector<QLine> QtLines;
    QVector<QPoint> QtPoints;
};

// Draws each enabled trace below TraceCount with its pen into `image` (an
// RGB32 image), clipped to the plot rectangle's pixels (columns L .. R-1,
// rows T .. B-1): nothing is drawn over the axes and labels around the plot.
// The reduced renderer writes its vertical runs straight
// into the image's rows and strokes only the joins with a painter. Each
// entry of *drawn is reset to the plot and then holds the pixels its trace drew.
using TraceDamage = std::array<PlotDamage, kScopeTraces>;
void RenderTraces(QImage& image, const TraceJob& job, const std::array<QPen, kScopeTraces>& pens,
                  TraceRenderer renderer, TraceRenderScratch* scratch, TraceDamage* drawn);

// The pen of a trace: solid, one pixel, no antialiasing; both ends of a line
// are drawn so that the reduced lines cover the same pixels as the polyline.
QPen TracePen(const QColor& colour);

} // namespace velt
