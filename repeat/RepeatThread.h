#pragma once
// The RepeatThread: runs a RepeatSequence one step per pass, from the repeat
// window's creation to shutdown. Each pass is StepRepeat, then the afterStep
// hook (the window's coalesced refresh), then a 10 ms sleep that Stop cuts
// short. While no cycle runs the thread makes no passes: it calls the hook
// once and sleeps until the next Start. The hook runs on the RepeatThread and
// must not touch widgets.
#include "RepeatSequence.h"
#include "base/StoppableWorker.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <stop_token>

namespace velt {

class RepeatThread {
public:
    // Between passes; a pass costs this plus the step's writes and the hook.
    static constexpr std::chrono::milliseconds kPassSleep{10};

    // TimedOut: still running after the wait; the next Stop and the
    // destructor wait for it.
    using StopResult = StoppableWorker::StopResult;

    RepeatThread(RepeatSequence& sequence, std::function<void()> afterStep);
    ~RepeatThread(); // stops the thread and waits for it as long as it takes
    RepeatThread(const RepeatThread&) = delete;
    RepeatThread& operator=(const RepeatThread&) = delete;

    // Owner thread. Sets ThreadAlive and starts the thread; false when no
    // thread could be created. Never restarts a thread.
    bool Start();
    // Owner thread. Clears ThreadAlive, ends the sequence (a step in
    // progress writes nothing more) and waits up to `wait` for the thread.
    StopResult Stop(std::chrono::milliseconds wait);

    // Passes completed since Start, counted while a cycle runs (tests and benchmarks).
    uint32_t PassCount() const { return passes_.load(); }

    // 1 from Start until Stop (or the destructor) asks the thread to end.
    std::atomic<int> ThreadAlive{0};

private:
    void Run(const std::stop_token& stop);
    void RequestStop(); // clears ThreadAlive, wakes the sleep, halts the sequence

    RepeatSequence& sequence_;
    const std::function<void()> afterStep_;
    std::atomic<uint32_t> passes_{0};
    bool started_ = false; // owner thread only
    // Last, so that it is gone before the members the thread uses (the
    // destructor also waits for it explicitly).
    StoppableWorker worker_;
};

} // namespace velt
