#pragma once
// One thread that runs a body until its owner asks it to end: the link's
// MainThread, the ScopeThreads and the RepeatThread are each one of these.
//
// The owner (the thread that calls Start) is the only caller of Start,
// RequestStop, Stop, StopAndWait and HasThread. The body runs on the new
// thread with the stop token of that thread; it ends soon after a stop is
// requested, and sleeps through SleepFor / SleepUntil so that a stop does not
// wait for the end of a sleep.
//
// A thread is never left running on freed memory: a thread that outlives the
// bounded wait of Stop stays held by the worker, and the next Stop,
// StopAndWait or the destructor waits for it. An owner whose members the body
// uses calls StopAndWait in its own destructor (or declares the worker after
// those members), so that they outlive the thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace velt {

class StoppableWorker {
public:
    using Clock = std::chrono::steady_clock;
    using Body = std::function<void(std::stop_token stop)>;

    enum class StopResult {
        NotStarted, // no thread held: never started, its start failed, or already stopped
        Stopped,    // the body returned within the wait and the thread was joined
        TimedOut,   // still running after the wait; held, and waited for later
        WaitFailed, // the body returned but the thread could not be joined
    };

    StoppableWorker() = default;
    ~StoppableWorker(); // StopAndWait()
    StoppableWorker(const StoppableWorker&) = delete;
    StoppableWorker& operator=(const StoppableWorker&) = delete;

    // Runs `body` on a new thread. False while a thread is still held
    // (running, or outlived a Stop) and when no thread could be created. A
    // worker whose thread has been joined can start again.
    bool Start(Body body);
    // Asks the body to end and cuts its sleep short; returns at once.
    void RequestStop();
    // Requests the end and waits up to `limit` for the body to return.
    StopResult Stop(std::chrono::milliseconds limit);
    // Requests the end and waits for it without limit.
    void StopAndWait();
    // True from a successful Start until the thread has been joined.
    bool HasThread() const { return thread_.joinable(); }

    // For the body. Sleeps for `duration` / until `wake` unless a stop is
    // requested first; returns false when a stop has been requested (the
    // body should end), true when the sleep ran its full length.
    static bool SleepFor(const std::stop_token& stop, Clock::duration duration);
    static bool SleepUntil(const std::stop_token& stop, Clock::time_point wake);

    // Tells the user of a stop that did not end cleanly, naming the thread:
    // "<name> timeout!" for TimedOut, "<name> waitfailed" for WaitFailed;
    // nothing for the others. Returns `result`.
    static StopResult Report(StopResult result, const char* threadName);

private:
    void MarkEnded();                                // the thread, as its last act
    bool WaitEnded(std::chrono::milliseconds limit); // owner: true once MarkEnded ran

    // std::jthread::join has no time limit; the end of the body is signalled
    // here so that Stop can wait for it with one.
    std::mutex endMutex_;
    std::condition_variable endCv_;
    bool ended_ = false; // guarded by endMutex_
    std::jthread thread_;
};

} // namespace velt
