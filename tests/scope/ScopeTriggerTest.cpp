// The scope trigger fed sample by sample: the edges it catches, where it
// puts time 0, what it shows and when, in each mode.
#include "scope/ScopeTrigger.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace velt {
namespace {

using Display = TriggerStep::Display;
constexpr TraceFlags kAllOn{1, 1, 1, 1};

TriggerSettings Settings(TriggerMode mode, double level, double pre, TriggerEdge edge = TriggerEdge::Rising,
                         int channel = 0) {
    TriggerSettings s;
    s.Mode = mode;
    s.Level = level;
    s.PreTrigger = pre;
    s.Edge = edge;
    s.Channel = channel;
    return s;
}

// Feeds samples whose trigger channel (0) takes value(i) and returns the
// steps; channel 1 carries the sample's index, to find samples again.
std::vector<TriggerStep> Feed(ScopeTrigger& trigger, int from, int to,
                              const std::function<double(int)>& value, int span,
                              TraceFlags enabled = kAllOn) {
    std::vector<TriggerStep> steps;
    for (int i = from; i < to; ++i)
        steps.push_back(trigger.Feed(enabled, {value(i), double(i), 0, 0}, span));
    return steps;
}

// Index of the first step with that action, or -1.
int First(const std::vector<TriggerStep>& steps, Display action) {
    for (size_t i = 0; i < steps.size(); ++i)
        if (steps[i].Action == action) return static_cast<int>(i);
    return -1;
}

TEST(ScopeTriggerTest, ARisingEdgeBetweenTwoSamplesPutsTimeZeroAtTheInterpolatedCrossing) {
    ScopeTrigger trigger;
    trigger.Configure(Settings(TriggerMode::Normal, 25, 0.2));
    trigger.Arm();
    // 0, 10, 20, 30, ...: 25 is crossed half way from sample 2 to sample 3.
    const auto ramp = [](int i) { return 10.0 * i; };
    const std::vector<TriggerStep> steps = Feed(trigger, 0, 19, ramp, 20);
    EXPECT_EQ(steps[2].Action, Display::Hold);
    EXPECT_TRUE(steps[3].StateChanged); // Armed -> Triggered on the sample after the crossing
    // 20 % of a 20-sample range before the trigger: 16 after it; the span is
    // complete at sample floor(2.5 + 16) = 18.
    const int shown = First(steps, Display::Show);
    ASSERT_EQ(shown, 18);
    EXPECT_EQ(steps[18].ShowCount, 19); // only 19 samples taken since arming
    EXPECT_DOUBLE_EQ(steps[18].OriginAge, 15.5);
    EXPECT_EQ(trigger.State(), TriggerState::Armed); // Normal, no holdoff: armed again
    // The shown samples: the newest is sample 18, time 0 lies 15.5 samples
    // before it, between samples 2 and 3.
    const ScopeSamples& h = trigger.History();
    EXPECT_EQ(h.At(1, 0), 18.0);
    EXPECT_EQ(h.At(1, 15), 3.0);
    EXPECT_EQ(h.At(1, 16), 2.0);
    // The value is still rising afterwards: no second edge.
    EXPECT_EQ(First(Feed(trigger, 19, 40, ramp, 20), Display::Show), -1);
}

TEST(ScopeTriggerTest, AFallingEdgeAndALevelReachedExactly) {
    ScopeTrigger trigger;
    trigger.Configure(Settings(TriggerMode::Normal, 7, 1.0, TriggerEdge::Falling));
    trigger.Arm();
    // 10, 4: 7 is crossed at a half; pre-trigger 100 % shows at once.
    std::vector<TriggerStep> steps = Feed(
        trigger, 0, 2, [](int i) { return i == 0 ? 10.0 : 4.0; }, 50);
    ASSERT_EQ(steps[1].Action, Display::Show);
    EXPECT_DOUBLE_EQ(steps[1].OriginAge, 0.5);
    EXPECT_EQ(steps[1].ShowCount, 2);

    // Rising to exactly the level counts (the crossing at the sample itself);
    // starting from the level does not.
    trigger.Configure(Settings(TriggerMode::Normal, 5, 1.0, TriggerEdge::Rising));
    trigger.Arm();
    steps = Feed(
        trigger, 0, 3,
        [](int i) {
            return std::vector<double>{2, 5, 9}[size_t(i)];
        },
        50);
    ASSERT_EQ(steps[1].Action, Display::Show);
    EXPECT_DOUBLE_EQ(steps[1].OriginAge, 0.0);
    trigger.Arm();
    steps = Feed(
        trigger, 0, 3,
        [](int i) {
            return std::vector<double>{5, 9, 12}[size_t(i)];
        },
        50);
    EXPECT_EQ(First(steps, Display::Show), -1);
}

TEST(ScopeTriggerTest, PreTriggerSharesOfNoneAFifthAndAllOfTheRange) {
    const int span = 200;
    // Flat below the level for 300 samples, then a step up between 299 and
    // 300: the crossing at 299.5, the span complete at floor(299.5 + the
    // samples after it).
    const auto step = [](int i) { return i < 300 ? -100.0 : 100.0; };
    struct Case {
        double pre;
        int completesAt;
        double originAge;
    };
    for (const Case c : {Case{0.0, 299 + 200, 199.5}, Case{0.2, 299 + 160, 159.5}, Case{1.0, 300, 0.5}}) {
        ScopeTrigger trigger;
        trigger.Configure(Settings(TriggerMode::Single, 0, c.pre));
        trigger.Arm();
        const std::vector<TriggerStep> steps = Feed(trigger, 0, 700, step, span);
        const int shown = First(steps, Display::Show);
        ASSERT_EQ(shown, c.completesAt) << c.pre;
        EXPECT_DOUBLE_EQ(steps[size_t(shown)].OriginAge, c.originAge) << c.pre;
        EXPECT_EQ(steps[size_t(shown)].ShowCount, span); // enough taken before the edge
        // Time 0 within the shown span: at its left edge, a fifth in, at its right edge.
        EXPECT_GE(steps[size_t(shown)].OriginAge, 0.0);
        EXPECT_LE(steps[size_t(shown)].OriginAge, span);
    }
}

TEST(ScopeTriggerTest, HoldoffIgnoresEdgesUntilItHasRunThenNormalArmsAgain) {
    ScopeTrigger trigger;
    TriggerSettings s = Settings(TriggerMode::Normal, 0, 1.0);
    s.HoldoffSeconds = 1.0; // 20 samples
    trigger.Configure(s);
    trigger.Arm();
    // A rising edge every 5 samples: -1, -1, -1, -1, 1, -1, ...
    const std::vector<TriggerStep> steps = Feed(
        trigger, 0, 60, [](int i) { return i % 5 == 4 ? 1.0 : -1.0; }, 40);
    std::vector<int> shows;
    for (size_t i = 0; i < steps.size(); ++i)
        if (steps[i].Action == Display::Show) shows.push_back(int(i));
    // Caught at 4; holdoff over samples 5..24, armed again at 24; the edges
    // at 9, 14, 19 and 24 are ignored, the one at 29 is caught, then 54.
    EXPECT_EQ(shows, (std::vector<int>{4, 29, 54}));
    EXPECT_EQ(trigger.State(), TriggerState::Holding);
}

TEST(ScopeTriggerTest, SingleStopsAfterOneSpanAndArmingStartsAgain) {
    ScopeTrigger trigger;
    trigger.Configure(Settings(TriggerMode::Single, 0, 0.5));
    trigger.Arm();
    std::vector<TriggerStep> steps = Feed(
        trigger, 0, 100, [](int i) { return i % 10 < 5 ? -1.0 : 1.0; }, 10);
    ASSERT_EQ(First(steps, Display::Show), 9); // crossing at 4.5, complete at floor(4.5 + 5)
    EXPECT_TRUE(steps[9].StateChanged);
    EXPECT_EQ(trigger.State(), TriggerState::Stopped);
    for (size_t i = 10; i < steps.size(); ++i)
        EXPECT_EQ(steps[i].Action, Display::Hold) << i;
    trigger.Arm();
    EXPECT_EQ(trigger.State(), TriggerState::Armed);
    steps = Feed(
        trigger, 100, 120, [](int i) { return i % 10 < 5 ? -1.0 : 1.0; }, 10);
    EXPECT_EQ(First(steps, Display::Show), 9);
}

TEST(ScopeTriggerTest, AutoShowsTheRunningTraceWithoutAnEdgeAndTheSpanWhenOneComes) {
    ScopeTrigger trigger;
    trigger.Configure(Settings(TriggerMode::Auto, 1000, 0.2));
    trigger.Arm();
    // Nothing reaches 1000: after one X range (30 samples) the running trace.
    std::vector<TriggerStep> steps = Feed(
        trigger, 0, 40, [](int i) { return double(i); }, 30);
    for (int i = 0; i < 29; ++i)
        EXPECT_EQ(steps[size_t(i)].Action, Display::Hold) << i;
    ASSERT_EQ(steps[29].Action, Display::Show);
    EXPECT_EQ(steps[29].ShowCount, 30);
    EXPECT_EQ(steps[29].OriginAge, 0.0); // a running picture: time counts back from now
    for (int i = 30; i < 40; ++i)
        EXPECT_EQ(steps[size_t(i)].Action, Display::Append) << i;
    EXPECT_TRUE(trigger.AutoRunning());
    EXPECT_EQ(trigger.State(), TriggerState::Armed);

    // An edge: the trace runs on until the span is full, then the span shows.
    steps = Feed(
        trigger, 40, 80, [](int i) { return i < 50 ? 0.0 : 2000.0; }, 30);
    const int shown = First(steps, Display::Show);
    ASSERT_EQ(shown, 9 + 24); // crossing at sample 49.5 + 24 after it
    for (int i = 0; i < shown; ++i)
        EXPECT_EQ(steps[size_t(i)].Action, Display::Append) << i;
    EXPECT_DOUBLE_EQ(steps[size_t(shown)].OriginAge, 23.5);
    EXPECT_FALSE(trigger.AutoRunning());
    EXPECT_EQ(steps[size_t(shown) + 1].Action, Display::Hold); // held for the next X range
}

TEST(ScopeTriggerTest, FreeRunAppendsEverySampleAndAnOffChannelNeverTriggers) {
    ScopeTrigger trigger;
    trigger.Arm();
    EXPECT_EQ(trigger.State(), TriggerState::Off);
    for (const TriggerStep& s : Feed(
             trigger, 0, 50, [](int i) { return i % 2 ? 100.0 : -100.0; }, 20))
        EXPECT_EQ(s.Action, Display::Append);

    trigger.Configure(Settings(TriggerMode::Normal, 0, 0.0, TriggerEdge::Rising, 2));
    trigger.Arm();
    std::vector<TriggerStep> steps;
    for (int i = 0; i < 100; ++i)
        steps.push_back(trigger.Feed({1, 1, 0, 1}, {0, 0, i % 2 ? 100.0 : -100.0, 0}, 20));
    EXPECT_EQ(First(steps, Display::Show), -1);
    EXPECT_EQ(trigger.State(), TriggerState::Armed);

    // Back to free run while holding a span: the running trace is shown whole
    // first, then appended to.
    trigger.Configure(Settings(TriggerMode::FreeRun, 0, 0.2));
    steps = Feed(
        trigger, 0, 3, [](int) { return 0.0; }, 20);
    EXPECT_EQ(steps[0].Action, Display::Show);
    EXPECT_EQ(steps[0].ShowCount, 20);
    EXPECT_EQ(steps[1].Action, Display::Append);
}

TEST(ScopeTriggerTest, SettingsOutsideTheirRangesAreCutAndNaNNeverTriggers) {
    ScopeTrigger trigger;
    TriggerSettings s = Settings(TriggerMode::Normal, std::nan(""), 7.0, TriggerEdge::Rising, 9);
    s.HoldoffSeconds = -3;
    trigger.Configure(s);
    EXPECT_EQ(trigger.Settings().Channel, 3);
    EXPECT_EQ(trigger.Settings().PreTrigger, 1.0);
    EXPECT_EQ(trigger.Settings().Level, 0.0);
    EXPECT_EQ(trigger.Settings().HoldoffSeconds, 0.0);
    trigger.Configure(Settings(TriggerMode::Normal, 0, 1.0));
    trigger.Arm();
    const std::vector<TriggerStep> steps = Feed(
        trigger, 0, 20, [](int i) { return i % 2 ? std::nan("") : -1.0; }, 20);
    EXPECT_EQ(First(steps, Display::Show), -1);
}

// Samples 100 ms apart (two steps of the grid): time 0, the span shown and
// the holdoff are measured in time, not in samples.
TEST(ScopeTriggerTest, SamplesTakenUnevenlyAreMeasuredInTime) {
    ScopeTrigger trigger;
    TriggerSettings s = Settings(TriggerMode::Normal, 50, 1.0);
    s.HoldoffSeconds = 1.0;
    trigger.Configure(s);
    trigger.Arm();
    std::vector<int> shows;
    for (int i = 0; i < 30; ++i) {
        const TriggerStep step = trigger.Feed(kAllOn, {i % 8 == 3 ? 100.0 : 0.0, double(i), 0, 0}, 20, 2.0);
        if (step.Action != Display::Show) continue;
        shows.push_back(i);
        EXPECT_DOUBLE_EQ(step.OriginAge, 1.0);      // crossed half way: one step before the edge's sample
        EXPECT_EQ(step.ShowCount, i == 3 ? 4 : 10); // the samples of the last second
    }
    EXPECT_EQ(shows, (std::vector<int>{3, 19})); // held for 1 s = 10 samples, so the edge at 11 is ignored
    EXPECT_DOUBLE_EQ(trigger.History().SecondsBefore(29), 2.9);
}

} // namespace
} // namespace velt
