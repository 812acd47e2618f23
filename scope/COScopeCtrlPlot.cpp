// The strip chart's plot picture kept up with its sample store: the store's
// listener, the update that extends the picture by the samples that came in
// (or renders it whole), and the chart's view of the store for the
// read-outs. User-interface thread, except StoreChanged and AppendSamples.
#include "scope/COScopeCtrl.h"

#include <QThread>
#include <QTimer>

#include <algorithm>

namespace velt {

void COScopeCtrl::ClearPlot() {
    store_.Clear();
}

void COScopeCtrl::AppendSamples(const TraceFlags& enabled, const TraceValues& values) {
    store_.Append(enabled, values);
}

// One queued update in flight at a time: a busy user-interface thread
// brings the picture up once for several appends, not once per append.
// With update marks, the update waits for the next mark; appends meanwhile
// find it pending and join it.
void COScopeCtrl::StoreChanged() {
    if (QThread::currentThread() == thread()) {
        UpdatePlot();
        return;
    }
    if (updatePending_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            const auto update = [this] {
                updatePending_.store(false);
                UpdatePlot();
            };
            const int64_t every = updateEveryMs_.load();
            if (every <= 0) {
                update();
                return;
            }
            const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
            QTimer::singleShot(std::chrono::milliseconds(every - now % every), Qt::PreciseTimer, this,
                               update);
        },
        Qt::QueuedConnection);
}

void COScopeCtrl::UpdatePlot() {
    {
        const ScopeSampleStore::Reader read = store_.Read();
        Sync(read, false);
    }
    FinishSync(false);
}

void COScopeCtrl::RenderPlot() {
    {
        const ScopeSampleStore::Reader read = store_.Read();
        Sync(read, true);
    }
    FinishSync(false);
}

// The picture is extended while it shows the same samples the store goes
// on from (no clear or caught span since, the same traces); otherwise, or
// when asked, it is drawn whole.
void COScopeCtrl::Sync(const ScopeSampleStore::Reader& read, bool whole) {
    const StoreState& s = read.State();
    FollowOrigin(s.Origin);
    const bool continued = plotCurrent_ && s.Epoch == shown_.Epoch && s.Enabled == shown_.Enabled &&
                           s.TraceCount == shown_.TraceCount;
    if (whole || !continued)
        RenderWhole(read);
    else if (s.Newest != shown_.Newest || s.PointCount != shown_.PointCount)
        RenderIncrement(read);
    shown_ = s;
    plotCurrent_ = true;
}

// The time cursors keep their place on the plot: on a new span the same
// distance from its trigger point, not the same time.
void COScopeCtrl::FollowOrigin(double origin) {
    if (origin == origin_) return;
    cursors_.T1 += origin - origin_;
    cursors_.T2 += origin - origin_;
    origin_ = origin;
    originMoved_ = true;
}

void COScopeCtrl::FinishSync(bool gridWanted) {
    const bool originMoved = std::exchange(originMoved_, false);
    if ((gridWanted || originMoved) && ClientRect.Width() > 0 && ClientRect.Height() > 0) {
        DrawGrid();
        UpdateAccessibleDescription();
        update();
    }
    if (originMoved && cursors_.On)
        QMetaObject::invokeMethod(this, &COScopeCtrl::CursorsChanged, Qt::QueuedConnection);
    if (!dirtyBox_.isEmpty()) {
        update(dirtyBox_);
        dirtyBox_ = QRect();
    }
}

TraceJob COScopeCtrl::Job(const ScopeSampleStore::Reader& read) const {
    const StoreState& s = read.State();
    TraceJob job;
    job.Samples = &read.Samples();
    job.PointCount = s.PointCount;
    job.TraceCount = s.TraceCount;
    job.Enabled = s.Enabled;
    job.Ranges = Ranges();
    job.Plot = PlotRect;
    return job;
}

void COScopeCtrl::RenderColumns(const ScopeSampleStore::Reader& read, int from, int to) {
    std::array<QRgb, kScopeTraces> colours{};
    for (int i = 0; i < kScopeTraces; ++i)
        colours[static_cast<size_t>(i)] = TraceColor[static_cast<size_t>(i)].rgb();
    RenderTraceColumns(plot_, Job(read), colours, from, to, renderer_, &scratch_);
}

void COScopeCtrl::RenderWhole(const ScopeSampleStore::Reader& read) {
    if (!plot_.Empty() && plot_.Width() == PlotRect.Width() && plot_.Height() == PlotRect.Height()) {
        plot_.ClearColumns(0, plot_.Width());
        RenderColumns(read, 0, plot_.Width());
        dirtyBox_ |= PlotArea();
    }
    RenderCount.fetch_add(1);
    FullRenderCount.fetch_add(1);
}

// The picture of the newest sample and count shown before, brought up to
// the store's: shifted by the columns the grid moved, then drawn again where
// samples came in at the right or dropped out at the left. Every other
// column holds the same samples as before, further left by the shift.
void COScopeCtrl::RenderIncrement(const ScopeSampleStore::Reader& read) {
    const StoreState& s = read.State();
    const int64_t newest = s.Newest, previousNewest = shown_.Newest;
    const PixelMap map(PlotRect, Ranges(), read.Samples(), s.PointCount);
    const int width = plot_.Width();
    if (plot_.Empty() || width != PlotRect.Width() || !map.Drawable()) {
        // Nothing can be drawn; the full render leaves the picture empty too.
        RenderCount.fetch_add(1);
        return;
    }
    const int64_t shift = map.Base(shown_.NewestStep) - map.Base(s.NewestStep);
    const int64_t oldest = newest - s.PointCount + 1, previousOldest = previousNewest - shown_.PointCount + 1;
    if (shift < 0 || shift > width / 2 || oldest < previousOldest) {
        RenderWhole(read);
        return;
    }
    const int left = PlotRect.left;
    const int64_t rightFrom = std::clamp<int64_t>(
        std::min<int64_t>(map.XOfStep(shown_.NewestStep) - left, width - shift), 0, width);
    int64_t leftFrom = 0, leftTo = 0; // the columns the dropped samples drew on
    if (oldest > previousOldest && shown_.PointCount > 0) {
        leftFrom = std::clamp<int64_t>(map.XOfStep(shown_.OldestStep) - left, 0, width);
        leftTo = std::clamp<int64_t>(map.XOfStep(s.OldestStep) - left + 1, 0, width);
    }
    const bool merged = leftTo >= rightFrom;
    const int64_t dirty =
        merged ? width - std::min(leftFrom, rightFrom) : (width - rightFrom) + (leftTo - leftFrom);
    if (dirty > width / 2) {
        RenderWhole(read);
        return;
    }
    plot_.Shift(static_cast<int>(shift));
    const auto draw = [&](int64_t from, int64_t to) {
        if (from >= to) return;
        plot_.ClearColumns(static_cast<int>(from), static_cast<int>(to));
        RenderColumns(read, static_cast<int>(from), static_cast<int>(to));
        dirtyBox_ |= QRect(PlotRect.left + static_cast<int>(from), PlotRect.top, static_cast<int>(to - from),
                           PlotRect.Height());
    };
    if (merged) {
        draw(std::min(leftFrom, rightFrom), width);
    } else {
        draw(leftFrom, leftTo);
        draw(rightFrom, width);
    }
    if (shift > 0) dirtyBox_ |= PlotArea();
    RenderCount.fetch_add(1);
}

ChartView COScopeCtrl::View(const ScopeSampleStore::Reader& read) const {
    const StoreState& s = read.State();
    ChartView v;
    v.Samples = &read.Samples();
    v.PointCount = s.PointCount;
    v.TraceCount = s.TraceCount;
    v.TraceEnabled = s.Enabled;
    v.Ranges = {XMin, XMax, YMin, YMax, s.Origin};
    v.TraceNames = traceNames_;
    return v;
}

} // namespace velt
