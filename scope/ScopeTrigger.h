#pragma once
// A scope window's trigger, without a toolkit: it watches the samples the
// window takes, catches an edge of one channel through a level, and decides
// what the chart shows.
//
// Modes: FreeRun shows every sample as it comes (the chart scrolls). Normal
// and Single wait for the edge, fill the pre- and post-trigger span around
// it and then show that span and hold it; Normal arms again after the
// holdoff, Single stops. Auto is Normal that shows the running trace while
// no edge has come for one X range.
//
// The edge is found between two samples that lie on either side of the
// level (rising: the older one below it, the newer at or above it; falling
// the reverse); the crossing is placed between them by linear
// interpolation, and the span is shown with time 0 there.
//
// Not thread-safe: the window calls it under its sample lock, Feed from the
// ScopeThread and the rest from the user-interface thread.
#include "scope/ScopeSamples.h"

#include <cstdint>

namespace velt {

enum class TriggerMode { FreeRun, Auto, Normal, Single };
enum class TriggerEdge { Rising, Falling };
enum class TriggerState {
    Off,       // free run
    Armed,     // waiting for the edge
    Triggered, // edge caught, filling the post-trigger span
    Holding,   // span shown, holdoff running
    Stopped,   // Single: span shown, nothing more until armed again
};

struct TriggerSettings {
    TriggerMode Mode = TriggerMode::FreeRun;
    int Channel = 0; // 0 .. 3
    TriggerEdge Edge = TriggerEdge::Rising;
    double Level = 0.0;          // plotted units of the channel
    double PreTrigger = 0.2;     // share of the X range before the trigger point, 0 .. 1
    double HoldoffSeconds = 0.0; // after a span is shown, before the next edge counts
    bool operator==(const TriggerSettings&) const = default;
};

// What the chart does with one sample.
struct TriggerStep {
    enum class Display {
        Append, // append the sample and scroll
        Hold,   // leave the picture as it is
        Show,   // show the ShowCount newest samples of History(), time 0 at OriginAge
    };
    Display Action = Display::Append;
    int ShowCount = 0;
    // Steps of 50 ms before the newest sample at which time 0 lies
    // (fractional: the interpolated crossing; on the 50 ms grid a step is a
    // sample); 0 for the running trace of Auto.
    double OriginAge = 0.0;
    bool StateChanged = false;
};

class ScopeTrigger {
public:
    // Settings in force from the next sample; a new mode arms afresh (Free
    // run switches the trigger off). Levels, edges and shares only change
    // what the next edge is measured against.
    void Configure(const TriggerSettings& settings);
    const TriggerSettings& Settings() const { return settings_; }

    // At the start of an acquisition: nothing taken yet, armed unless free
    // running.
    void Arm();

    // One sample the window took, `advance` steps of 50 ms after the
    // previous one (one on the 50 ms grid): `span` is the X range in steps
    // ((XMax - XMin) x 20, at most the ring's capacity). Spans, the
    // post-trigger fill, the holdoff and Auto's wait are measured in time.
    // Returns what the chart should do with it.
    TriggerStep Feed(const TraceFlags& enabled, const TraceValues& values, int span, double advance = 1.0);

    TriggerState State() const { return state_; }
    // The samples taken since the start (the newest of the ring's capacity):
    // the span shown comes from here.
    const ScopeSamples& History() const { return history_; }
    // Whether Auto shows the running trace now.
    bool AutoRunning() const { return autoLive_; }

private:
    void Complete(int span, TriggerStep* step);
    // The newest samples that lie less than `span` steps back, at most those
    // taken since Arm.
    int SpanCount(int span) const;
    bool EdgeBetween(double older, double newer) const;
    void SetState(TriggerState s, TriggerStep* step);

    TriggerSettings settings_;
    TriggerState state_ = TriggerState::Off;
    ScopeSamples history_;
    int64_t taken_ = 0;         // samples since Arm
    bool havePrevious_ = false; // the trigger channel's previous sample
    double previous_ = 0.0;
    double crossing_ = 0.0;    // step (History().Step) of the crossing
    double endStep_ = 0.0;     // step at or after which the span is complete
    double holdoffLeft_ = 0.0; // steps
    double sinceShown_ = 0.0;  // steps since a span was last shown (Auto)
    bool autoLive_ = false;
    // The chart holds the running trace up to the previous sample, so the
    // next one can simply be appended; false once it holds a span or missed
    // samples, and the running trace must be shown whole again first.
    bool chartRunning_ = true;
};

} // namespace velt
