#pragma once
// The two ways of turning one trace's shown samples into line work, both in
// plot pixels and without a toolkit. The Qt side strokes the result with a
// one-pixel pen and clips it to the plot rectangle.
//
// PointByPointPolyline is the plain way: every sample from the newest to the
// oldest, a vertex wherever the pixel changes (up to 30000 per trace).
//
// ColumnReducedLines draws the same pixels with far fewer lines: all samples
// that fall on one pixel column are joined by vertical steps, which together
// cover exactly the column's smallest to largest pixel; so each column
// becomes one vertical line from its top to its bottom pixel plus the line
// joining it to the previous column (from that column's last sample to this
// column's first), at most two lines per pixel column.
#include "scope/ChartMath.h"
#include "scope/ScopeSamples.h"

#include <vector>

namespace velt {

struct PixelPoint {
    int X = 0, Y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// Vertices of the polyline through the `count` newest samples of `row`,
// newest first, skipping a sample on the same pixel as the previous vertex.
// Empty when the map cannot draw. *out is cleared first.
void PointByPointPolyline(const ScopeSamples& samples, int row, int count, const PixelMap& map,
                          std::vector<PixelPoint>* out);

// The column-reduced lines of the same samples. Only lines that can reach the
// visible columns clipLeft .. clipRight-1 are produced; the walk stops at the
// first column left of clipLeft. *out is cleared first.
void ColumnReducedLines(const ScopeSamples& samples, int row, int count, const PixelMap& map, int clipLeft,
                        int clipRight, std::vector<ChartLine>* out);

} // namespace velt
