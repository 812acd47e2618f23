// What the strip chart's pictures cost, in one run:
//  - the full render of 4 x 30000 samples on show (a 1500 s X range at 20
//    samples per second): plot cleared, every shown sample of every trace
//    drawn, as after a range, scale or colour change; ours (column-reduced)
//    against every sample and segment drawn one by one, and a plain Qt
//    polyline of the same samples for scale;
//  - one append with the ring full (30000 samples) at X ranges of 1500 s
//    (all 30000 shown), 100 s and 10 s: the sample stored, the picture
//    shifted and the new columns drawn, as the store and the chart do it
//    twenty times a second;
//  - one paint of the whole chart (grid XOR plot XOR background composed),
//    which the user-interface thread does once per repaint;
//  - the full render and one append of samples taken at each poll, 30 to
//    130 ms apart, placed by their times.
// Four live-looking traces: a position ramp with a wobble, a noisy speed and
// two current traces full of noise (the worst case: every pixel column spans
// much of the height). Times are medians over batches of the CPU time per
// operation (wall time beside), so that a batch preempted by other work on a
// busy machine does not count.
// Run with: QT_QPA_PLATFORM=offscreen ./scope_render_bench [batches]
#include "scope/COScopeCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <random>
#include <vector>

using namespace velt;

namespace {

// The scope window's chart: 403 x 196 dialog units at the dialog font.
constexpr int kChartWidth = 645, kChartHeight = 318;

class Signal {
public:
    TraceValues Next() {
        const double t = i_ / kSamplesPerSecond;
        const TraceValues v{-4000 + 0.25 * (i_ % 32000) + 300 * std::sin(t),
                            3000 * std::sin(t / 7) + 150 * noise_(random_), 1500 * noise_(random_),
                            2500 * std::sin(t * 3) + 900 * noise_(random_)};
        ++i_;
        return v;
    }

private:
    std::mt19937 random_{3};
    std::normal_distribution<double> noise_{0.0, 1.0};
    long i_ = 0;
};

struct Timing {
    double cpuMs = 0;  // median over batches of the CPU time per operation
    double wallMs = 0; // median over batches of the wall time per operation
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Timing MsPer(const std::function<void()>& operation, int batches, int perBatch) {
    operation(); // warm the scratch buffers
    std::vector<double> cpu, wall;
    for (int b = 0; b < batches; ++b) {
        QElapsedTimer timer;
        const std::clock_t c0 = std::clock();
        timer.start();
        for (int i = 0; i < perBatch; ++i)
            operation();
        wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6 / perBatch);
        cpu.push_back(1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC / perBatch);
    }
    return {Median(cpu), Median(wall)};
}

// The same samples as one Qt polyline per trace, every sample a vertex.
void QtPolyline(const COScopeCtrl& chart, const ScopeSampleStore& store, QImage* image) {
    image->fill(chart.BackgroundColor);
    QPainter p(image);
    const ChartRect& r = chart.PlotRect;
    p.setClipRect(r.left, r.top, r.Width(), r.Height());
    const ScopeSampleStore::Reader read = store.Read();
    const int count = read.State().PointCount;
    const PixelMap map(r, {chart.XMin, chart.XMax, chart.YMin, chart.YMax}, read.State().Newest);
    QVector<QPoint> points(count);
    for (int t = 0; t < kScopeTraces; ++t) {
        for (int age = 0; age < count; ++age)
            points[age] = QPoint(map.X(age), map.Y(read.Samples().At(t, age)));
        p.setPen(QPen(chart.TraceColor[static_cast<size_t>(t)], 0));
        p.drawPolyline(points);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int batches = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    ScopeSampleStore store;
    COScopeCtrl chart(store);
    chart.Create(QRect(0, 0, kChartWidth, kChartHeight));
    chart.SetBackgroundColor(QColor(10, 10, 10));
    chart.SetXRange(0, kScopeCapacity / kSamplesPerSecond);
    chart.SetYRange(-5000, 5000);
    Signal signal;
    for (int i = 0; i < kScopeCapacity; ++i)
        chart.AppendSamples({1, 1, 1, 1}, signal.Next());
    std::printf("points_shown=%d traces=4 plot=%dx%d\n", store.State().PointCount, chart.PlotRect.Width(),
                chart.PlotRect.Height());

    chart.SetRenderer(TraceRenderer::ColumnReduced);
    const Timing full = MsPer([&] { chart.RenderPlot(); }, batches, 40);
    const QImage reduced = chart.PlotPicture();
    chart.SetRenderer(TraceRenderer::PointByPoint);
    const Timing pointByPoint = MsPer([&] { chart.RenderPlot(); }, batches, 4);
    const bool same = chart.PlotPicture() == reduced;
    chart.SetRenderer(TraceRenderer::ColumnReduced);
    QImage polyline(kChartWidth, kChartHeight, QImage::Format_RGB32);
    const Timing qt = MsPer([&] { QtPolyline(chart, store, &polyline); }, batches, 4);
    std::printf("full_render_ms=%.3f (goal <= 2) wall_ms=%.3f\n", full.cpuMs, full.wallMs);
    std::printf("full_render_ms_point_by_point=%.3f wall_ms=%.3f same_picture=%s\n", pointByPoint.cpuMs,
                pointByPoint.wallMs, same ? "yes" : "NO");
    std::printf("full_render_ms_qt_polyline=%.3f wall_ms=%.3f\n", qt.cpuMs, qt.wallMs);

    for (const double seconds : {1500.0, 100.0, 10.0}) {
        chart.SetXRange(0, seconds);
        for (int i = 0; i < 100; ++i) // settle the shown count on the new range
            chart.AppendSamples({1, 1, 1, 1}, signal.Next());
        const uint64_t full0 = chart.FullRenderCount.load(), all0 = chart.RenderCount.load();
        const Timing append = MsPer([&] { chart.AppendSamples({1, 1, 1, 1}, signal.Next()); }, batches, 400);
        const double fullShare = 100.0 * static_cast<double>(chart.FullRenderCount.load() - full0) /
                                 static_cast<double>(chart.RenderCount.load() - all0);
        std::printf("append_ms_%gs=%.4f (goal <= 0.1) wall_ms=%.4f shown=%d full_renders=%.1f%%\n", seconds,
                    append.cpuMs, append.wallMs, store.State().PointCount, fullShare);
    }

    chart.SetXRange(0, 10);
    QImage picture;
    const Timing paint = MsPer([&] { picture = chart.ComposedImage(); }, batches, 40);
    std::printf("paint_compose_ms_whole_chart=%.3f wall_ms=%.3f\n", paint.cpuMs, paint.wallMs);

    // The same signal taken at each poll received, 30 to 130 ms apart: the
    // samples lie where their times fall and a column holds 0 or several.
    ScopeSampleStore polled;
    COScopeCtrl pollChart(polled);
    pollChart.Create(QRect(0, 0, kChartWidth, kChartHeight));
    pollChart.SetXRange(0, kScopeCapacity / kSamplesPerSecond);
    pollChart.SetYRange(-5000, 5000);
    std::mt19937 gaps(11);
    std::uniform_real_distribution<double> gap(0.6, 2.6); // steps of 50 ms
    for (int i = 0; i < kScopeCapacity; ++i)
        polled.Append({1, 1, 1, 1}, signal.Next(), gap(gaps));
    const Timing uneven = MsPer([&] { pollChart.RenderPlot(); }, batches, 40);
    const int unevenShown = polled.State().PointCount;
    pollChart.SetXRange(0, 10);
    const Timing unevenAppend = MsPer(
        [&] {
            polled.Append({1, 1, 1, 1}, signal.Next(), gap(gaps));
        },
        batches, 400);
    std::printf("full_render_ms_every_poll=%.3f wall_ms=%.3f shown=%d\n", uneven.cpuMs, uneven.wallMs,
                unevenShown);
    std::printf("append_ms_every_poll_10s=%.4f wall_ms=%.4f\n", unevenAppend.cpuMs, unevenAppend.wallMs);
    return 0;
}
