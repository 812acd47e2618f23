// The RepeatThread running the sequence against the simulated drive while
// the test thread plays the window: Start, Stop, Use toggles and status reads
// from another thread (these tests also run under ThreadSanitizer).
#include "repeat/RepeatThread.h"
#include "RepeatTestSupport.h"

namespace velt::test {
namespace {

using RepeatThreadTest = RepeatOnSim;

TEST_F(RepeatThreadTest, PassesRunWhileACycleRunsUntilStopAndStopSaysHowTheThreadEnded) {
    std::atomic<int> hooks{0};
    RepeatThread thread(seq, [&] { hooks.fetch_add(1); });
    EXPECT_EQ(RepeatThread::StopResult::NotStarted, thread.Stop(5000ms));
    Ready();
    std::atomic<int> freshHooks{0};
    RepeatThread fresh(seq, [&] { freshHooks.fetch_add(1); });
    ASSERT_TRUE(fresh.Start());
    EXPECT_EQ(1, fresh.ThreadAlive.load());
    // Without a cycle the thread sleeps: one hook, no passes.
    ASSERT_TRUE(WaitUntil([&] { return freshHooks.load() >= 1; }, 5s));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(0u, fresh.PassCount());
    EXPECT_EQ(1, freshHooks.load());
    ASSERT_EQ(RepeatStartResult::Started, seq.Start(OnlyUsed({})));
    ASSERT_TRUE(WaitUntil([&] { return fresh.PassCount() >= 5; }, 5s));
    EXPECT_EQ(RepeatThread::StopResult::Stopped, fresh.Stop(5000ms));
    EXPECT_EQ(0, fresh.ThreadAlive.load());
    const uint32_t passes = fresh.PassCount();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(passes, fresh.PassCount());
    EXPECT_EQ(RepeatThread::StopResult::NotStarted, fresh.Stop(5000ms)) << "the thread is never restarted";
    EXPECT_FALSE(fresh.Start());
    EXPECT_EQ(0, hooks.load());
}

// Holds the RepeatThread inside a step right after its speed write (the
// frame log is called on the writing thread) until the test thread has
// pressed Stop.
class PausingFrameLog : public IFrameLog {
public:
    void QueueTxFrame(int length, const uint8_t* bytes) override {
        const bool speedWrite = length >= 4 && bytes[1] == drive::FunctionWriteSingleRegister &&
                                bytes[2] == 0 && bytes[3] == drive::SpeedRegister;
        std::unique_lock lock(m_);
        if (!speedWrite || !armed_) return;
        armed_ = false;
        paused_ = true;
        cv_.notify_all();
        cv_.wait(lock, [this] { return released_; });
        released_ = false;
        lock.unlock();
        std::this_thread::sleep_for(30ms); // Stop gets as far as it can meanwhile
    }
    void QueueRxFrame(int, const uint8_t*) override {}

    void Arm() {
        std::lock_guard lock(m_);
        armed_ = true;
        paused_ = false;
    }
    bool WaitPaused() {
        std::unique_lock lock(m_);
        return cv_.wait_for(lock, 5s, [this] { return paused_; });
    }
    void Release() {
        std::lock_guard lock(m_);
        released_ = true;
        cv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool armed_ = false;
    bool paused_ = false;
    bool released_ = false;
};

// Stop pressed while a step is between its speed write and its RUN: the RUN
// is never sent and the STOP is the last thing the drive hears.
TEST_F(RepeatThreadTest, AStopIsNeverOvertakenByTheRunOfAStepInProgress) {
    SetParams({{drive::ParamDefaultMode, 1}, {drive::ParamDefaultForm, 10}});
    Ready();
    PausingFrameLog pausing;
    link.SetFrameLog(&pausing);
    std::atomic<int> focus{0};
    RepeatThread thread(seq, [&] { focus.store(seq.Status().FocusRow); }); // as the window's hook reads
    ASSERT_TRUE(thread.Start());
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(RepeatStartResult::Started, seq.Start(DefaultRepeatPoints()));
        pausing.Arm();
        ASSERT_TRUE(pausing.WaitPaused());
        seq.ToggleUse(round);
        seq.ToggleUse(round);
        std::thread release([&] {
            std::this_thread::sleep_for(20ms); // Stop is waiting by then
            pausing.Release();
        });
        seq.Stop();
        release.join();
        std::this_thread::sleep_for(50ms); // several passes
        const std::vector<RegWrite> writes = Writes();
        ASSERT_GE(writes.size(), 2u);
        EXPECT_EQ((RegWrite{drive::CommandRegister, drive::Code(drive::Command::Stop)}), writes.back())
            << "round " << round;
        EXPECT_EQ(drive::SpeedRegister, writes[writes.size() - 2].first)
            << "the interrupted step sent no RUN";
        EXPECT_FALSE(seq.Repeating());
    }
    EXPECT_EQ(RepeatThread::StopResult::Stopped, thread.Stop(5000ms));
    link.SetFrameLog(nullptr);
}

TEST_F(RepeatThreadTest, StoppingTheThreadEndsARunningSequenceWithoutACommand) {
    Ready();
    RepeatThread thread(seq, {});
    ASSERT_TRUE(thread.Start());
    ASSERT_EQ(RepeatStartResult::Started, seq.Start(DefaultRepeatPoints()));
    ASSERT_TRUE(WaitUntil([&] { return seq.Status().StepState == RepeatStepState::WaitInPosition; }, 5s));
    EXPECT_EQ(RepeatThread::StopResult::Stopped, thread.Stop(5000ms));
    EXPECT_FALSE(seq.Repeating());
    EXPECT_EQ(RepeatEnd::Halted, seq.Status().LastEnd);
    const size_t writes = Writes().size();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(writes, Writes().size());
}

} // namespace
} // namespace velt::test
