#pragma once
// The samples of one strip chart and what the chart needs to know about
// them: the ring (ScopeSamples) with the number of its newest sample, how
// many of the newest are shown, the traces that are on and where time 0 of
// the time axis lies. The scope window's ScopeThread writes here (through
// the window's sink) and the user-interface thread clears; the chart only
// paints what it finds here.
//
// Threads and the lock: every member takes the store's own mutex, held for
// the hand-over alone (an append writes four doubles and a few counters) or,
// by a Reader, while the chart draws or exports what it reads. Nothing else
// is locked under it: it is the innermost lock of a scope window. The
// listener is called after each change the chart shows, on the thread that
// made it, with the lock released.
#include "scope/ScopeSamples.h"

#include <cstdint>
#include <functional>
#include <mutex>

namespace velt {

// What the store holds beside the samples.
struct StoreState {
    int64_t Newest = -1;      // number of the newest sample (ScopeSamples::Count() - 1), -1 before the first
    double NewestStep = -1.0; // its time in 50 ms steps (ScopeSamples::Step(0))
    double OldestStep = 0.0;  // the time of the oldest sample shown, when one is
    int PointCount = 0;       // the newest samples shown
    int TraceCount = 1;       // traces shown: 1 until the first append, 4 from then on
    TraceFlags Enabled{};     // per trace 1 = drawn, from the last append
    double Origin = 0.0;      // seconds before the newest sample at which time 0 of the axis lies
    // Counts every change that the chart shows, so that a chart can tell
    // whether its picture is current.
    uint64_t Version = 0;
    // Counts the changes after which the shown samples are not the previous
    // ones extended at the newest end (a clear, a caught span): a picture
    // drawn before one of them is drawn again whole.
    uint64_t Epoch = 0;
};

class ScopeSampleStore {
public:
    using Listener = std::function<void()>;

    // A locked read: the store's lock is held while the reader lives, so the
    // samples and the state it gives belong together. The ScopeThread's next
    // hand-over waits for it; keep it to the drawing or export at hand.
    class Reader {
    public:
        const ScopeSamples& Samples() const { return store_->samples_; }
        const StoreState& State() const { return store_->state_; }

    private:
        friend class ScopeSampleStore;
        explicit Reader(const ScopeSampleStore& store) : lock_(store.mutex_), store_(&store) {}
        std::unique_lock<std::mutex> lock_;
        const ScopeSampleStore* store_;
    };

    // One sample per trace, `advance` steps of 50 ms after the previous one
    // (ScopeSamples::Push): stored at the head of the ring; one more shown,
    // less those that now lie the limit's whole steps or more before it.
    // Any thread.
    void Append(const TraceFlags& enabled, const TraceValues& values, double advance = 1.0);
    // A caught span: the `count` newest samples of `from` (cut to the ring's
    // capacity) become the newest here and all of them are shown, with time
    // 0 `originAge` steps of 50 ms before the newest. Any thread.
    void ShowNewestOf(const ScopeSamples& from, int count, const TraceFlags& enabled, double originAge);
    // No sample shown until the next append; the ring keeps its samples.
    void Clear();
    // Time 0 of the axis, in seconds before the newest sample (0 for a
    // running trace); a value that is not finite is ignored.
    void SetOrigin(double seconds);
    // The steps the X range holds (SampleLimit); the shown count follows
    // at the next append. No listener call: nothing shown changes yet.
    void SetLimit(double limit);
    // The X range in whole steps, 0 when it holds none: what a trigger
    // fills around its edge.
    int Span() const;

    Reader Read() const { return Reader(*this); }
    StoreState State() const;

    // The one listener (the chart). Set or cleared only while no writer
    // runs: before the ScopeThread starts and after it has ended.
    void SetListener(Listener listener) { listener_ = std::move(listener); }

private:
    void Notify() const;

    mutable std::mutex mutex_;
    ScopeSamples samples_;
    StoreState state_;
    double limit_ = kScopeCapacity;
    Listener listener_;
};

} // namespace velt
