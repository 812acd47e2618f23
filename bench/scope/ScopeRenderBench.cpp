// Render time of the strip chart with 4 x 30000 samples on show (a 1500 s X
// range at 20 samples per second), the way the chart renders on every
// append: plot filled, every shown sample of every trace drawn, clipped to
// the plot. Ours (column-reduced) and the plain point-by-point polyline run
// on the same chart and data; the picture difference is printed as well.
// Times are medians over batches of CPU time per render (wall time beside).
// Run with: QT_QPA_PLATFORM=offscreen ./scope_render_bench [batches]
#include "scope/COScopeCtrl.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <random>
#include <vector>

using namespace velt;

namespace {

// The scope window's chart: 403 x 196 dialog units at the dialog font.
constexpr int kChartWidth = 645, kChartHeight = 318;

// Four live-looking traces: a position ramp with a wobble, a noisy speed, and
// two current traces full of noise (the worst case for a renderer: every pixel
// column spans much of the height).
void Fill(COScopeCtrl& chart) {
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (int i = 0; i < kScopeCapacity; ++i) {
        const double t = i / kSamplesPerSecond;
        const TraceValues v{-4000 + 0.25 * i + 300 * std::sin(t),
                            3000 * std::sin(t / 7) + 150 * noise(random), 1500 * noise(random),
                            2500 * std::sin(t * 3) + 900 * noise(random)};
        chart.AppendSamples({1, 1, 1, 1}, v);
    }
}

struct Timing {
    double cpuMs = 0;  // median over batches of the CPU time per render
    double wallMs = 0; // median over batches of the wall time per render
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Renders in batches; medians, so that a batch preempted by other work on a
// busy machine does not count.
Timing MsPerRender(COScopeCtrl& chart, TraceRenderer renderer, int batches, int perBatch) {
    chart.SetRenderer(renderer);
    chart.RenderPlot(); // warm the scratch buffers
    std::vector<double> cpu, wall;
    for (int b = 0; b < batches; ++b) {
        QElapsedTimer timer;
        const std::clock_t c0 = std::clock();
        timer.start();
        for (int i = 0; i < perBatch; ++i)
            chart.RenderPlot();
        wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6 / perBatch);
        cpu.push_back(1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC / perBatch);
    }
    return {Median(cpu), Median(wall)};
}

QImage PlotOf(COScopeCtrl& chart, TraceRenderer renderer) {
    chart.SetRenderer(renderer);
    chart.RenderPlot();
    return chart.PlotImage.copy();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int batches = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    std::mutex lock;
    COScopeCtrl chart(nullptr, &lock);
    chart.Create(QRect(0, 0, kChartWidth, kChartHeight));
    std::lock_guard guard(lock);
    chart.SetBackgroundColor(QColor(10, 10, 10));
    chart.SetXRange(0, kScopeCapacity / kSamplesPerSecond);
    chart.SetYRange(-5000, 5000);
    Fill(chart);
    std::printf("points_shown=%d traces=4 plot=%dx%d\n", chart.PointCount, chart.PlotRect.Width(),
                chart.PlotRect.Height());

    const Timing ours = MsPerRender(chart, TraceRenderer::ColumnReduced, batches, 40);
    const Timing plain = MsPerRender(chart, TraceRenderer::PointByPoint, batches, 5);
    const QImage a = PlotOf(chart, TraceRenderer::ColumnReduced);
    const QImage b = PlotOf(chart, TraceRenderer::PointByPoint);
    long differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;

    std::printf("render_ms_column_reduced=%.3f (goal <= 2) wall_ms=%.3f\n", ours.cpuMs, ours.wallMs);
    std::printf("render_ms_point_by_point=%.3f wall_ms=%.3f\n", plain.cpuMs, plain.wallMs);
    std::printf("speedup=%.1f differing_pixels=%ld\n", plain.cpuMs / ours.cpuMs, differing);
    return 0;
}
