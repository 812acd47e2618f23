#include "scope/ScopeThread.h"

#include "scope/SampleSchedule.h"

namespace velt {

namespace {
std::atomic<int> g_liveThreads{0};

} // namespace

void RunFlag::store(int value) {
    {
        std::lock_guard lock(mutex_);
        value_.store(value);
    }
    changed_.notify_all();
}

void RunFlag::WaitForRun(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, stop, [this] { return value_.load() == 1; });
}

int ScopeThread::LiveThreads() {
    return g_liveThreads.load();
}

ScopeThread::ScopeThread(ScopeChannels& channels, StateReader reader, SampleSink sink, PollWaiter waiter)
    : channels_(channels), reader_(std::move(reader)), sink_(std::move(sink)), waiter_(std::move(waiter)) {}

ScopeThread::~ScopeThread() {
    StopAndWait();
}

void ScopeThread::StopAndWait() {
    ThreadAlive.store(0);
    worker_.StopAndWait();
}

bool ScopeThread::Start() {
    if (started_) return false;
    started_ = true;
    ThreadAlive.store(1);
    // Counted before the thread exists: LiveThreads never misses a thread
    // that has started.
    g_liveThreads.fetch_add(1);
    const bool started = worker_.Start([this](std::stop_token stop) {
        Loop(stop);
        g_liveThreads.fetch_sub(1);
    });
    if (!started) {
        g_liveThreads.fetch_sub(1);
        ThreadAlive.store(0);
    }
    return started;
}

void ScopeThread::Loop(const std::stop_token& stop) {
    // Marks on one grid for every window (multiples of 50 ms of the steady
    // clock): four running scopes wake together, and the user-interface
    // thread repaints their charts in one pass instead of four.
    SampleSchedule schedule(SampleSchedule::Clock::time_point{}, SampleSchedule::Clock::now());
    uint64_t lastPoll = 0;
    bool onGrid = true;
    while (!stop.stop_requested()) {
        if (RunState.load() != 1) {
            RunState.WaitForRun(stop);
            // The first sample on the next mark, none counted as skipped.
            const auto now = SampleSchedule::Clock::now();
            schedule.Rejoin(now);
            onGrid = true;
            StoppableWorker::SleepUntil(stop, schedule.Next(now));
            continue;
        }
        const bool everyPoll = Mode.load() == SamplingMode::EveryPoll;
        StatePoll poll;
        const bool took = reader_(&poll) && (!everyPoll || (poll.Sequence != 0 && poll.Sequence != lastPoll));
        if (took) {
            lastPoll = poll.Sequence;
            ScopeSample sample = channels_.Take(poll.Regs);
            sample.Taken = everyPoll ? poll.Received : SampleSchedule::Clock::now();
            sample.Poll = poll.Sequence;
            sample.EveryPoll = everyPoll;
            SamplesTaken.fetch_add(1);
            sink_(sample);
            SamplesDelivered.fetch_add(1);
        }
        const auto now = SampleSchedule::Clock::now();
        if (everyPoll) {
            onGrid = false;
            // Waiting for the poll after the one just taken wakes once per
            // poll; without a sample (no data, no new poll) a wait could end
            // at once, again and again, so the thread looks again later.
            if (waiter_ && took)
                waiter_(lastPoll, now + kPollWait, stop);
            else
                StoppableWorker::SleepUntil(stop, now + kPollWatch);
            continue;
        }
        if (!onGrid) schedule.Rejoin(now); // back from the every-poll mode: no mark counts as skipped
        onGrid = true;
        const auto wake = schedule.Next(now);
        MarksSkipped.store(schedule.Skipped());
        StoppableWorker::SleepUntil(stop, wake);
    }
}

ScopeThread::StopResult ScopeThread::Stop(std::chrono::milliseconds limit) {
    ThreadAlive.store(0);
    return worker_.Stop(limit);
}

} // namespace velt
