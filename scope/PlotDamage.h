#pragma once
// Which rows of each pixel column of the plot hold one trace's pixels, so
// that a render clears and recombines only what the previous one drew. A
// trace that sweeps the plot with steep edges touches few rows in most
// columns; its bounding box would be the whole plot.
// Not thread-safe: the chart's owner serialises it with the chart.
#include "scope/ChartMath.h"

#include <vector>

namespace velt {

class PlotDamage {
public:
    struct Rows {
        int Top = 1, Bottom = 0; // inclusive; Top > Bottom: none
        bool Empty() const { return Top > Bottom; }
    };

    // Forgets everything; the plot covers columns clip.left .. clip.right-1
    // and rows clip.top .. clip.bottom-1.
    void Reset(const ChartRect& clip);
    // Marks the bounding box of a line, cut to the plot.
    void AddLine(int x1, int y1, int x2, int y2);
    bool Empty() const { return empty_; }
    // Number of pixels marked.
    long Pixels() const;

    const ChartRect& Clip() const { return clip_; }
    // Rows of the plot's column x (clip.left <= x < clip.right).
    Rows At(int x) const { return rows_[static_cast<size_t>(x - clip_.left)]; }

    // The box around everything marked (left, top, right, bottom
    // inclusive); meaningless when Empty().
    const ChartRect& Bounds() const { return bounds_; }

private:
    ChartRect clip_;
    std::vector<Rows> rows_;
    ChartRect bounds_;
    bool empty_ = true;
};

} // namespace velt
