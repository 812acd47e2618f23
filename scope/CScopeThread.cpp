#include "scope/CScopeThread.h"

#include "scope/SampleSchedule.h"

#include <system_error>

namespace velt {

namespace {
std::atomic<int> g_liveThreads{0};
} // namespace

int CScopeThread::LiveThreads() {
    return g_liveThreads.load();
}

// Set by the ScopeThread as its last act; shared so that it outlives a
// thread that Stop gave up on.
struct CScopeThread::Done {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;

    void Signal() {
        std::lock_guard lock(m);
        done = true;
        cv.notify_all();
    }
    bool WaitFor(std::chrono::milliseconds limit) {
        std::unique_lock lock(m);
        return cv.wait_for(lock, limit, [this] { return done; });
    }
    void Wait() {
        std::unique_lock lock(m);
        cv.wait(lock, [this] { return done; });
    }
};

CScopeThread::CScopeThread(ScopeChannels& channels, StateReader reader, SampleSink sink)
    : channels_(channels), reader_(std::move(reader)), sink_(std::move(sink)) {}

CScopeThread::~CScopeThread() {
    if (thread_.joinable()) Stop();
    if (orphaned_ && done_) done_->Wait();
}

bool CScopeThread::Start() {
    if (thread_.joinable() || done_) return false;
    ThreadAlive.store(1);
    done_ = std::make_shared<Done>();
    try {
        g_liveThreads.fetch_add(1);
        thread_ = std::thread([this, done = done_] {
            Loop();
            g_liveThreads.fetch_sub(1);
            done->Signal();
        });
    } catch (const std::system_error&) {
        g_liveThreads.fetch_sub(1);
        ThreadAlive.store(0);
        return false;
    }
    return true;
}

void CScopeThread::Loop() {
    // Marks on one grid for every window (multiples of 50 ms of the steady
    // clock): four running scopes wake together, and the user-interface
    // thread repaints their charts in one pass instead of four.
    SampleSchedule schedule(SampleSchedule::Clock::time_point{}, SampleSchedule::Clock::now());
    while (ThreadAlive.load() == 1) {
        StateBlock regs{};
        if (RunState.load() == 1 && reader_(&regs)) {
            sink_(channels_.Take(regs));
            SamplesTaken.fetch_add(1);
        }
        const auto wake = schedule.Next(SampleSchedule::Clock::now());
        MarksSkipped.store(schedule.Skipped());
        std::unique_lock lock(sleepMutex_);
        sleepCv_.wait_until(lock, wake, [this] { return ThreadAlive.load() != 1; });
    }
}

CScopeThread::StopResult CScopeThread::Stop(std::chrono::milliseconds limit) {
    if (!thread_.joinable()) return StopResult::NotStarted;
    {
        std::lock_guard lock(sleepMutex_);
        ThreadAlive.store(0);
    }
    sleepCv_.notify_all();
    if (!done_->WaitFor(limit)) {
        thread_.detach();
        orphaned_ = true;
        return StopResult::TimedOut;
    }
    try {
        thread_.join();
    } catch (const std::system_error&) {
        if (thread_.joinable()) thread_.detach();
        orphaned_ = true;
        return StopResult::WaitFailed;
    }
    return StopResult::Stopped;
}

} // namespace velt
