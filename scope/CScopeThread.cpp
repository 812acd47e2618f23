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

CScopeThread::CScopeThread(ScopeChannels& channels, StateReader reader, SampleSink sink)
    : channels_(channels), reader_(std::move(reader)), sink_(std::move(sink)) {}

CScopeThread::~CScopeThread() {
    StopAndWait();
}

void CScopeThread::StopAndWait() {
    if (thread_.joinable()) Stop();
    if (orphaned_ && done_.valid()) done_.wait();
}

bool CScopeThread::Start() {
    if (thread_.joinable() || done_.valid()) return false;
    ThreadAlive.store(1);
    // The promise travels with the thread, so its end can be waited for
    // with a limit, and still after Stop gave up on it.
    std::promise<void> finished;
    done_ = finished.get_future();
    try {
        g_liveThreads.fetch_add(1);
        thread_ = std::thread([this, finished = std::move(finished)]() mutable {
            Loop();
            g_liveThreads.fetch_sub(1);
            finished.set_value();
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
            const ScopeSample sample = channels_.Take(regs);
            SamplesTaken.fetch_add(1);
            sink_(sample);
            SamplesDelivered.fetch_add(1);
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
    if (done_.wait_for(limit) == std::future_status::timeout) {
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
