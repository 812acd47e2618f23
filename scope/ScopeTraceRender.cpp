#include "scope/ScopeTraceRender.h"

#include "scope/TraceLines.h"

#include <QPainter>

namespace velt {

QPen TracePen(const QColor& colour) {
    QPen pen(colour, 0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    return pen;
}

void RenderTraces(QPainter& painter, const TraceJob& job, const std::array<QPen, kScopeTraces>& pens,
                  TraceRenderer renderer, TraceRenderScratch* scratch) {
    const PixelMap map(job.Plot, job.Ranges);
    if (!map.Drawable() || job.PointCount <= 0) return;
    const ChartRect& p = job.Plot;
    if (p.Width() <= 0 || p.Height() <= 0) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setClipRect(QRect(p.left, p.top, p.Width(), p.Height()));
    for (int i = 0; i < job.TraceCount && i < kScopeTraces; ++i) {
        if (!job.Enabled[static_cast<size_t>(i)]) continue;
        painter.setPen(pens[static_cast<size_t>(i)]);
        if (renderer == TraceRenderer::ColumnReduced) {
            ColumnReducedLines(*job.Samples, i, job.PointCount, map, p.left, p.right, &scratch->Lines);
            scratch->QtLines.resize(static_cast<qsizetype>(scratch->Lines.size()));
            for (size_t k = 0; k < scratch->Lines.size(); ++k) {
                const ChartLine& l = scratch->Lines[k];
                scratch->QtLines[static_cast<qsizetype>(k)] = QLine(l.X1, l.Y1, l.X2, l.Y2);
            }
            painter.drawLines(scratch->QtLines);
        } else {
            PointByPointPolyline(*job.Samples, i, job.PointCount, map, &scratch->Points);
            scratch->QtPoints.resize(static_cast<qsizetype>(scratch->Points.size()));
            for (size_t k = 0; k < scratch->Points.size(); ++k)
                scratch->QtPoints[static_cast<qsizetype>(k)] =
                    QPoint(scratch->Points[k].X, scratch->Points[k].Y);
            if (scratch->QtPoints.size() > 1) painter.drawPolyline(scratch->QtPoints);
        }
    }
    painter.restore();
}

} // namespace velt
