#pragma once
// The ScopeThread of one scope window: while acquisition runs it takes one
// sample of the four channels on every 50 ms mark (SampleSchedule), or, in
// the every-poll mode, one sample of each state poll the link received,
// stamped with its receive time and never taken twice, and hands it to the
// window; while stopped it sleeps until RunState is set again, then
// joins the marks where they are (a hidden or stopped window costs no
// wake-ups). It sends no
// request to the drive: it reads the state block the link's MainThread keeps
// current, one consistent snapshot per pass, so a 32-bit position always
// comes from a single poll.
//
// RunState is written by the user-interface thread and read by the
// ScopeThread; ThreadAlive is written by the user-interface thread (Start,
// Stop) and read by anyone (atomics). The sink is called on the ScopeThread;
// it takes the window's sample lock itself.
#include "base/StoppableWorker.h"
#include "link/CDriveLink.h"
#include "scope/ScopeChannels.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>

namespace velt {

// An int flag (1 runs) that wakes a thread waiting for it to be set.
class RunFlag {
public:
    int load() const { return value_.load(); }
    void store(int value);
    RunFlag& operator=(int value) {
        store(value);
        return *this;
    }
    // Returns once the flag is 1 (at once when it is) or a stop is requested.
    void WaitForRun(const std::stop_token& stop);

private:
    std::atomic<int> value_{0};
    std::mutex mutex_;
    std::condition_variable_any changed_;
};

// How the ScopeThread takes its samples.
enum class SamplingMode {
    Grid,      // one sample on every 50 ms mark, repeating a poll when none came since
    EveryPoll, // one sample per state poll received, at its receive time
};

class ScopeThread {
public:
    // Fills *poll with the latest polled state block and the poll that
    // brought it; false when there is no drive link or no data (no sample is
    // taken then). Called on the ScopeThread.
    using StateReader = std::function<bool(StatePoll* poll)>;
    // Receives each sample. Called on the ScopeThread.
    using SampleSink = std::function<void(const ScopeSample& sample)>;

    using StopResult = StoppableWorker::StopResult;
    static constexpr std::chrono::milliseconds kStopWait{5000};
    // Waits until a poll other than number `after` has come, `until` has
    // passed or `stop` is requested. Called on the ScopeThread in the
    // every-poll mode, so that it wakes once per poll.
    using PollWaiter = std::function<bool(uint64_t after, std::chrono::steady_clock::time_point until,
                                          const std::stop_token& stop)>;
    // The every-poll mode's longest wait for a poll: how soon it sees a
    // stop, a change of mode or of the drive's data flow without one.
    static constexpr std::chrono::milliseconds kPollWait{50};
    // How often the every-poll mode looks for a new poll without a waiter,
    // or when its last look took none:
    // well under the fastest poll period (about 15 ms at 115200 bit/s); the
    // time stamp is the poll's own, so a late look costs no accuracy.
    static constexpr std::chrono::milliseconds kPollWatch{5};

    ScopeThread(ScopeChannels& channels, StateReader reader, SampleSink sink, PollWaiter waiter = {});
    ~ScopeThread(); // StopAndWait()
    ScopeThread(const ScopeThread&) = delete;
    ScopeThread& operator=(const ScopeThread&) = delete;

    // Sets ThreadAlive and starts the thread; false when no thread could be
    // created (the window then never samples). Once only.
    bool Start();
    // Clears ThreadAlive, wakes the thread and waits up to `limit` for it to
    // end. A thread that does not end in time is left to finish on its own
    // (StopAndWait and the destructor wait for it).
    StopResult Stop(std::chrono::milliseconds limit = kStopWait);
    // Stops a thread still running, and waits without limit for one that
    // outlived Stop's limit: the sink is not called after this returns.
    // Its owner calls it before it destroys what the sink uses.
    void StopAndWait();

    std::atomic<int> ThreadAlive{0}; // 1 from Start until Stop or StopAndWait
    RunFlag RunState;
    // Written by the user-interface thread, read by the ScopeThread on its
    // next pass.
    std::atomic<SamplingMode> Mode{SamplingMode::Grid};

    // ScopeThreads of all windows that have started and not yet ended.
    static int LiveThreads();

    // Samples taken, samples the sink has returned from (one less while a
    // sample is being handed over), and marks skipped by late passes.
    std::atomic<uint64_t> SamplesTaken{0};
    std::atomic<uint64_t> SamplesDelivered{0};
    std::atomic<uint64_t> MarksSkipped{0};

private:
    void Loop(const std::stop_token& stop);

    ScopeChannels& channels_;
    StateReader reader_;
    SampleSink sink_;
    PollWaiter waiter_;
    bool started_ = false; // owner thread only; the thread is never restarted
    // Last, so that it is gone before the members the thread uses (the
    // destructor also waits for it explicitly).
    StoppableWorker worker_;
};

} // namespace velt
