#include "scope/ScopeTraceRender.h"

#include "scope/TraceLines.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace velt {

QPen TracePen(const QColor& colour) {
    QPen pen(colour, 0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    return pen;
}

namespace {
// A vertical run of one pixel column, clipped to rows top .. bottom-1.
void FillRun(QImage& image, int x, int y1, int y2, const ChartRect& clip, QRgb colour) {
    const int from = std::max(y1, clip.top), to = std::min(y2, clip.bottom - 1);
    if (from > to || x < clip.left || x >= clip.right) return;
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* pixel = reinterpret_cast<QRgb*>(image.scanLine(from)) + x;
    for (int y = from; y <= to; ++y, pixel += stride)
        *pixel = colour;
}

void RenderReduced(QImage& image, QPainter& painter, const TraceJob& job, const PixelMap& map, int trace,
                   const QPen& pen, TraceRenderScratch* scratch, PlotDamage* drawn) {
    const ChartRect& p = job.Plot;
    ColumnReducedLines(*job.Samples, trace, job.PointCount, map, p.left, p.right, &scratch->Lines);
    const QRgb colour = pen.color().rgb() | 0xFF000000u;
    scratch->QtLines.clear();
    for (const ChartLine& l : scratch->Lines) {
        drawn->AddLine(l.X1, l.Y1, l.X2, l.Y2);
        if (l.X1 == l.X2)
            FillRun(image, l.X1, l.Y1, l.Y2, p, colour);
        else
            scratch->QtLines.append(QLine(l.X1, l.Y1, l.X2, l.Y2));
    }
    painter.setPen(pen);
    painter.drawLines(scratch->QtLines);
}

void RenderPointByPoint(QPainter& painter, const TraceJob& job, const PixelMap& map, int trace,
                        const QPen& pen, TraceRenderScratch* scratch, PlotDamage* drawn) {
    PointByPointPolyline(*job.Samples, trace, job.PointCount, map, &scratch->Points);
    scratch->QtPoints.resize(static_cast<qsizetype>(scratch->Points.size()));
    for (size_t k = 0; k < scratch->Points.size(); ++k) {
        const PixelPoint& pt = scratch->Points[k];
        scratch->QtPoints[static_cast<qsizetype>(k)] = QPoint(pt.X, pt.Y);
        if (k > 0) drawn->AddLine(scratch->Points[k - 1].X, scratch->Points[k - 1].Y, pt.X, pt.Y);
    }
    painter.setPen(pen);
    if (scratch->QtPoints.size() > 1) painter.drawPolyline(scratch->QtPoints);
}
} // namespace

void RenderTraces(QImage& image, const TraceJob& job, const std::array<QPen, kScopeTraces>& pens,
                  TraceRenderer renderer, TraceRenderScratch* scratch, TraceDamage* drawn) {
    for (PlotDamage& d : *drawn)
        d.Reset(job.Plot);
    const PixelMap map(job.Plot, job.Ranges);
    const ChartRect& p = job.Plot;
    if (!map.Drawable() || job.PointCount <= 0 || p.Width() <= 0 || p.Height() <= 0) return;
    if (image.format() != QImage::Format_RGB32 || p.right > image.width() || p.bottom > image.height())
        return;
    image.bits(); // detach now: the runs and the painter must write the same pixels
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(QRect(p.left, p.top, p.Width(), p.Height()));
    for (int i = 0; i < job.TraceCount && i < kScopeTraces; ++i) {
        if (!job.Enabled[static_cast<size_t>(i)]) continue;
        const QPen& pen = pens[static_cast<size_t>(i)];
        if (renderer == TraceRenderer::ColumnReduced)
            RenderReduced(image, painter, job, map, i, pen, scratch, &(*drawn)[static_cast<size_t>(i)]);
        else
            RenderPointByPoint(painter, job, map, i, pen, scratch, &(*drawn)[static_cast<size_t>(i)]);
    }
}

} // namespace velt
