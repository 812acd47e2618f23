// The stoppable worker thread: its sleeps against stop requests, the bounded
// stop, and the waits that keep a late thread off freed memory. These run
// under ThreadSanitizer too.
#include "base/StoppableWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace velt {
namespace {

using namespace std::chrono_literals;
using StopResult = StoppableWorker::StopResult;

// Far beyond any test's run: a sleep of this length only ends by a stop.
constexpr auto kForever = 24h;
// Long enough for any thread to end on a loaded machine once asked to.
constexpr auto kGenerous = 60000ms;

// A one-way gate the test opens for a thread that waits at it.
class Gate {
public:
    void Open() {
        std::lock_guard lock(m_);
        open_ = true;
        cv_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(m_);
        cv_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
};

TEST(StoppableWorkerSleep, RunsItsFullLengthWithoutAStopAndNotAtAllAfterOne) {
    std::stop_source source;
    EXPECT_TRUE(StoppableWorker::SleepFor(source.get_token(), 1ms));
    EXPECT_TRUE(StoppableWorker::SleepUntil(source.get_token(), StoppableWorker::Clock::now()));
    source.request_stop();
    EXPECT_FALSE(StoppableWorker::SleepFor(source.get_token(), kForever));
    EXPECT_FALSE(StoppableWorker::SleepUntil(source.get_token(), StoppableWorker::Clock::now() + kForever));
}

TEST(StoppableWorkerSleep, AStopFromAnotherThreadCutsItShort) {
    std::stop_source source;
    std::atomic<bool> sleeping{false};
    std::atomic<int> result{-1};
    std::thread sleeper([&] {
        sleeping = true;
        result = StoppableWorker::SleepUntil(source.get_token(), StoppableWorker::Clock::now() + kForever);
    });
    while (!sleeping.load())
        std::this_thread::yield();
    source.request_stop();
    sleeper.join(); // never returns if the stop does not wake the sleep
    EXPECT_EQ(0, result.load());
}

TEST(StoppableWorkerTest, StopEndsABodyAsleepForALongTime) {
    StoppableWorker worker;
    std::atomic<bool> sleeping{false};
    std::atomic<int> sleepResult{-1};
    std::atomic<int> passes{0};
    ASSERT_TRUE(worker.Start([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            ++passes;
            sleeping = true;
            sleepResult = StoppableWorker::SleepFor(stop, kForever);
        }
    }));
    EXPECT_TRUE(worker.HasThread());
    while (!sleeping.load())
        std::this_thread::yield();
    EXPECT_EQ(StopResult::Stopped, worker.Stop(kGenerous));
    EXPECT_EQ(0, sleepResult.load());
    EXPECT_EQ(1, passes.load());
    EXPECT_FALSE(worker.HasThread());
    EXPECT_EQ(StopResult::NotStarted, worker.Stop(kGenerous)) << "nothing left to stop";
}

TEST(StoppableWorkerTest, StartWhileRunningIsRefusedAndAJoinedWorkerStartsAgain) {
    StoppableWorker worker;
    std::atomic<int> first{0}, second{0}, third{0};
    auto body = [](std::atomic<int>& runs) {
        return [&runs](std::stop_token stop) {
            ++runs;
            StoppableWorker::SleepFor(stop, kForever);
        };
    };
    ASSERT_TRUE(worker.Start(body(first)));
    EXPECT_FALSE(worker.Start(body(second)));
    EXPECT_TRUE(worker.HasThread()) << "the running thread is kept";
    EXPECT_EQ(StopResult::Stopped, worker.Stop(kGenerous));
    EXPECT_EQ(1, first.load());
    EXPECT_EQ(0, second.load()) << "a refused body never runs";

    ASSERT_TRUE(worker.Start(body(third)));
    EXPECT_EQ(StopResult::Stopped, worker.Stop(kGenerous));
    EXPECT_EQ(1, third.load());
}

TEST(StoppableWorkerTest, ABodyThatOutlivesTheWaitTimesOutAndTheNextStopWaitsForIt) {
    StoppableWorker worker;
    Gate gate;
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    ASSERT_TRUE(worker.Start([&](std::stop_token) {
        inside = true;
        gate.Wait(); // deaf to the stop
        finished = true;
    }));
    while (!inside.load())
        std::this_thread::yield();
    EXPECT_EQ(StopResult::TimedOut, worker.Stop(20ms));
    EXPECT_TRUE(worker.HasThread()) << "held, not let go";
    EXPECT_FALSE(worker.Start([](std::stop_token) {})) << "no second thread beside a late one";
    gate.Open();
    EXPECT_EQ(StopResult::Stopped, worker.Stop(kGenerous));
    EXPECT_TRUE(finished.load());
    EXPECT_FALSE(worker.HasThread());
}

// The shape of the owners: data the body uses, and the worker declared after
// it. The owner here writes no destructor; the worker's own must keep the
// data alive until a body deaf to the stop has ended.
struct Owner {
    std::vector<int> data{1, 2, 3};
    StoppableWorker worker;
    // Destroyed before the worker: tells the test that destruction has begun.
    struct Herald {
        Gate* gate = nullptr;
        ~Herald() { gate->Open(); }
    } herald;
};

TEST(StoppableWorkerTest, TheDestructorWaitsForABodyThatOutlivedStopBeforeTheOwnersDataGoes) {
    Gate destroying;
    std::atomic<bool> inside{false};
    std::atomic<int> sum{0};
    {
        Owner owner;
        owner.herald.gate = &destroying;
        ASSERT_TRUE(owner.worker.Start([&](std::stop_token) {
            inside = true;
            destroying.Wait(); // released only once the owner is being destroyed
            int s = 0;
            for (int v : owner.data)
                s += v;
            sum = s;
        }));
        while (!inside.load())
            std::this_thread::yield();
        EXPECT_EQ(StopResult::TimedOut, owner.worker.Stop(20ms));
    }
    EXPECT_EQ(6, sum.load()) << "the body ran to its end on live data";
}

TEST(StoppableWorkerTest, ANeverStartedWorkerHasNothingToStopOrWaitFor) {
    {
        StoppableWorker worker;
        EXPECT_FALSE(worker.HasThread());
        EXPECT_EQ(StopResult::NotStarted, worker.Stop(0ms));
        worker.RequestStop();
        worker.StopAndWait();
    }
    StoppableWorker untouched; // destroyed at once
}

} // namespace
} // namespace velt
