#include "scope/ScopeTraceRender.h"

#include <algorithm>
#include <cstring>

namespace velt {

void PlotRing::Reset(int width, int height, QRgb background) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    start_ = 0;
    background_ = background | 0xFF000000u;
    if (Empty()) {
        image_ = QImage();
        return;
    }
    if (image_.width() != width_ || image_.height() != height_)
        image_ = QImage(width_, height_, QImage::Format_RGB32);
    image_.fill(background_);
}

void PlotRing::Shift(int columns) {
    if (Empty() || columns <= 0) return;
    start_ = (start_ + columns % width_) % width_;
}

void PlotRing::ClearColumns(int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, width_);
    if (from >= to) return;
    const qsizetype stride = image_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* bits = reinterpret_cast<QRgb*>(image_.bits());
    // The columns as at most two physical runs, each cleared row by row.
    const int first = Physical(from);
    const int firstLength = std::min(to - from, width_ - first);
    for (int y = 0; y < height_; ++y) {
        QRgb* line = bits + y * stride;
        std::fill(line + first, line + first + firstLength, background_);
        if (firstLength < to - from) std::fill(line, line + (to - from - firstLength), background_);
    }
}

void PlotRing::FillRun(int column, int top, int bottom, QRgb colour) {
    const qsizetype stride = image_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* pixel = reinterpret_cast<QRgb*>(image_.bits()) + top * stride + Physical(column);
    for (int y = top; y <= bottom; ++y, pixel += stride)
        *pixel = colour;
}

QRgb PlotRing::Pixel(int column, int row) const {
    return reinterpret_cast<const QRgb*>(image_.constScanLine(row))[Physical(column)];
}

void PlotRing::ComposeRow(int row, int from, int to, const QRgb* under, QRgb* out) const {
    const QRgb* line = reinterpret_cast<const QRgb*>(image_.constScanLine(row));
    int c = from;
    while (c < to) {
        const int p = Physical(c);
        const int n = std::min(to - c, width_ - p);
        const QRgb* src = line + p;
        const QRgb bg = background_;
        for (int i = 0; i < n; ++i)
            out[i] = under[i] ^ src[i] ^ bg;
        under += n;
        out += n;
        c += n;
    }
}

QImage PlotRing::Unrolled() const {
    if (Empty()) return {};
    QImage out(width_, height_, QImage::Format_RGB32);
    for (int y = 0; y < height_; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
        QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        const int tail = width_ - start_;
        std::memcpy(dst, line + start_, static_cast<size_t>(tail) * sizeof(QRgb));
        std::memcpy(dst + tail, line, static_cast<size_t>(start_) * sizeof(QRgb));
    }
    return out;
}

void RenderTraceColumns(PlotRing& ring, const TraceJob& job, const std::array<QRgb, kScopeTraces>& colours,
                        int from, int to, TraceRenderer renderer, TraceRenderScratch* scratch) {
    const ChartRect& p = job.Plot;
    from = std::max(from, 0);
    to = std::min({to, ring.Width(), p.Width()});
    if (from >= to || job.PointCount <= 0 || ring.Height() != p.Height() || p.Height() <= 0) return;
    const PixelMap map(p, job.Ranges, *job.Samples, job.PointCount);
    if (!map.Drawable()) return;
    const ChartRect clip{p.left + from, p.top, p.left + to, p.bottom};
    for (int i = 0; i < job.TraceCount && i < kScopeTraces; ++i) {
        if (!job.Enabled[static_cast<size_t>(i)]) continue;
        scratch->Runs.clear();
        if (renderer == TraceRenderer::ColumnReduced)
            TraceRuns(*job.Samples, i, job.PointCount, map, clip, &scratch->Runs);
        else
            PointByPointRuns(*job.Samples, i, job.PointCount, map, clip, &scratch->Runs);
        const QRgb colour = colours[static_cast<size_t>(i)] | 0xFF000000u;
        for (const ColumnRun& r : scratch->Runs)
            ring.FillRun(r.X - p.left, r.Top - p.top, r.Bottom - p.top, colour);
    }
}

} // namespace velt
