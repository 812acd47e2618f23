// The ScopeThread's 50 ms schedule and its life cycle.
#include "scope/ScopeThread.h"
#include "scope/SampleSchedule.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace velt {
namespace {

using namespace std::chrono_literals;
using Clock = SampleSchedule::Clock;

TEST(SampleScheduleTest, PassesLandOnTheMarksWhateverTheyCost) {
    const Clock::time_point t0{};
    SampleSchedule s(t0);
    // A pass of 20 ms does not push the next sample to 70 ms.
    EXPECT_EQ(s.Next(t0 + 20ms), t0 + 50ms);
    EXPECT_EQ(s.Next(t0 + 50ms + 49ms), t0 + 100ms);
    EXPECT_EQ(s.Next(t0 + 100ms + 1ms), t0 + 150ms);
    EXPECT_EQ(s.Skipped(), 0u);
}

TEST(SampleScheduleTest, ALatePassSkipsAheadInsteadOfBursting) {
    const Clock::time_point t0{};
    SampleSchedule s(t0);
    EXPECT_EQ(s.Next(t0 + 10ms), t0 + 50ms);
    // This pass took until 180 ms: marks 100 and 150 are gone.
    EXPECT_EQ(s.Next(t0 + 180ms), t0 + 200ms);
    EXPECT_EQ(s.Skipped(), 2u);
    // Ending exactly on a mark waits for the next one.
    EXPECT_EQ(s.Next(t0 + 250ms), t0 + 300ms);
    EXPECT_EQ(s.Skipped(), 3u);
    EXPECT_EQ(s.Next(t0 + 260ms), t0 + 350ms);
}

TEST(SampleScheduleTest, WindowsJoiningTheSameGridShareTheirMarks) {
    const Clock::time_point origin{};
    SampleSchedule a(origin, origin + 1234ms), b(origin, origin + 1262ms);
    EXPECT_EQ(a.Next(origin + 1240ms), origin + 1250ms);
    EXPECT_EQ(b.Next(origin + 1270ms), origin + 1300ms);
    EXPECT_EQ(a.Next(origin + 1260ms), origin + 1300ms);
    EXPECT_EQ(a.Skipped(), 0u);
    EXPECT_EQ(b.Skipped(), 0u);
}

struct Recorder {
    std::mutex m;
    std::vector<ScopeSample> samples;
    size_t Count() {
        std::lock_guard lock(m);
        return samples.size();
    }
};

bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds limit = 5000ms) {
    const auto end = Clock::now() + limit;
    while (!pred()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

TEST(ScopeThreadTest, SamplesOnlyWhileRunningAndWithALink) {
    ScopeChannels channels;
    channels.Latch({1, 0, 0, 0}, {3, 0, 0, 0});
    std::atomic<bool> link{false};
    std::atomic<int> reads{0};
    Recorder rec;
    ScopeThread thread(
        channels,
        [&](StatePoll* poll) {
            ++reads;
            poll->Regs[7] = 42;
            return link.load();
        },
        [&](const ScopeSample& s) {
            std::lock_guard lock(rec.m);
            rec.samples.push_back(s);
        });
    ASSERT_TRUE(thread.Start());
    EXPECT_EQ(thread.ThreadAlive.load(), 1);
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(reads.load(), 0); // stopped: the link is not even looked at

    thread.RunState = 1;
    ASSERT_TRUE(WaitFor([&] { return reads.load() >= 2; }));
    EXPECT_EQ(rec.Count(), 0u); // no link, no sample

    link = true;
    ASSERT_TRUE(WaitFor([&] { return rec.Count() >= 3; }));
    // Settings change while it runs (ThreadSanitizer watches this).
    for (int i = 0; i < 50; ++i)
        channels.SetOffset(0, i);
    thread.RunState = 0;
    const uint64_t taken = thread.SamplesTaken.load();
    std::this_thread::sleep_for(120ms);
    EXPECT_LE(thread.SamplesTaken.load(), taken + 1); // a pass in flight may finish
    {
        std::lock_guard lock(rec.m);
        EXPECT_EQ(rec.samples[0].SampleValue[0], 42.0);
        EXPECT_EQ(rec.samples[0].SampleEnabled, (TraceFlags{1, 0, 0, 0}));
    }
    EXPECT_EQ(thread.Stop(), ScopeThread::StopResult::Stopped);
    EXPECT_EQ(thread.ThreadAlive.load(), 0);
    EXPECT_EQ(thread.Stop(), ScopeThread::StopResult::NotStarted);
}

TEST(ScopeThreadTest, StopWakesTheSleepingThreadAtOnce) {
    ScopeChannels channels;
    ScopeThread thread(
        channels, [](StatePoll*) { return true; }, [](const ScopeSample&) {});
    EXPECT_EQ(thread.Stop(), ScopeThread::StopResult::NotStarted);
    ASSERT_TRUE(thread.Start());
    std::this_thread::sleep_for(10ms);
    // The stop does not wait for the next 50 ms mark; a generous limit that
    // a sleeping thread would still meet is the check here.
    EXPECT_EQ(thread.Stop(1000ms), ScopeThread::StopResult::Stopped);
    EXPECT_FALSE(thread.Start()); // never restarted
}

TEST(ScopeThreadTest, AThreadStuckInItsSinkTimesOutAndIsWaitedForAtDestruction) {
    ScopeChannels channels;
    std::atomic<bool> release{false};
    std::atomic<bool> inSink{false};
    std::atomic<bool> finished{false};
    {
        ScopeThread thread(
            channels, [](StatePoll*) { return true; },
            [&](const ScopeSample&) {
                inSink = true;
                while (!release.load())
                    std::this_thread::sleep_for(1ms);
                finished = true;
            });
        thread.RunState = 1;
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(WaitFor([&] { return inSink.load(); }));
        EXPECT_EQ(thread.Stop(50ms), ScopeThread::StopResult::TimedOut);
        release = true;
    } // the destructor waits for the thread that outlived Stop
    EXPECT_TRUE(finished.load());
}

} // namespace
} // namespace velt
