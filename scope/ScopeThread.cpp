#include "scope/ScopeThread.h"

#include "scope/SampleSchedule.h"

#include <algorithm>
#include <array>

namespace velt {

namespace {
std::atomic<int> g_liveThreads{0};

// When the every-poll mode looks for the next poll: once the shortest of
// the recent gaps between polls has passed since the last one (the next
// comes no sooner while the line keeps its rate), then every kPollWatch; a
// look that comes late still finds the poll, as long as the one after it
// has not come too. Taking a poll whose number jumped shows the polls came
// faster than that (a new line rate): the gaps are forgotten and the watch
// looks every kPollWatch until it has learnt them again.
class PollPace {
public:
    using Clock = std::chrono::steady_clock;

    void Forget() {
        known_ = 0;
        haveLast_ = false;
    }
    void Took(const StatePoll& poll, uint64_t previousSequence) {
        if (haveLast_ && poll.Sequence == previousSequence + 1) {
            gaps_[next_] = poll.Received - last_;
            next_ = (next_ + 1) % gaps_.size();
            known_ = std::min(known_ + 1, gaps_.size());
        } else if (haveLast_) {
            known_ = 0;
        }
        last_ = poll.Received;
        haveLast_ = true;
    }
    Clock::time_point NextLook(Clock::time_point now, Clock::duration watch) const {
        if (known_ < gaps_.size()) return now + watch;
        const Clock::duration least = *std::min_element(gaps_.begin(), gaps_.end());
        return std::max(now + watch, last_ + least);
    }

private:
    std::array<Clock::duration, 8> gaps_{};
    size_t next_ = 0, known_ = 0;
    Clock::time_point last_{};
    bool haveLast_ = false;
};
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

ScopeThread::ScopeThread(ScopeChannels& channels, StateReader reader, SampleSink sink)
    : channels_(channels), reader_(std::move(reader)), sink_(std::move(sink)) {}

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
    PollPace pace;
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
        if (everyPoll && onGrid) pace.Forget();
        if (reader_(&poll) && (!everyPoll || (poll.Sequence != 0 && poll.Sequence != lastPoll))) {
            if (everyPoll) pace.Took(poll, lastPoll);
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
            StoppableWorker::SleepUntil(stop, pace.NextLook(now, kPollWatch));
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
