#include "RepeatThread.h"

#include <system_error>

namespace velt {

RepeatThread::RepeatThread(RepeatSequence& sequence, std::function<void()> afterStep)
    : sequence_(sequence), afterStep_(std::move(afterStep)) {}

// A thread that outlived Stop's wait is still inside a step that uses the
// sequence and the link; it is waited for here, before either can go.
RepeatThread::~RepeatThread() {
    RequestStop();
    if (Thread.joinable()) {
        try {
            Thread.join();
        } catch (const std::system_error&) {
            Thread.detach();
        }
    }
}

bool RepeatThread::Start() {
    if (started_) return Thread.joinable();
    started_ = true;
    ThreadAlive.store(1);
    // Set by the thread as its very last act, so that Stop can wait with a
    // time limit (std::thread::join has none).
    std::promise<void> done;
    done_ = done.get_future();
    try {
        Thread = std::thread([this, done = std::move(done)]() mutable {
            Run();
            done.set_value();
        });
    } catch (const std::system_error&) {
        ThreadAlive.store(0);
        return false;
    }
    return true;
}

RepeatThread::StopResult RepeatThread::Stop(std::chrono::milliseconds wait) {
    RequestStop();
    if (!Thread.joinable()) return StopResult::NotStarted;
    if (done_.wait_for(wait) != std::future_status::ready) return StopResult::TimedOut;
    try {
        Thread.join();
    } catch (const std::system_error&) {
        return StopResult::WaitFailed;
    }
    return StopResult::Stopped;
}

// Without the Halt a step could go on writing the rest of a move while the
// owner waits; the sequence cannot run on without its thread anyway.
void RepeatThread::RequestStop() {
    {
        std::lock_guard lock(sleepMutex_);
        ThreadAlive.store(0);
    }
    sleepCv_.notify_all();
    sequence_.Halt();
}

void RepeatThread::Run() {
    while (ThreadAlive.load() == 1) {
        sequence_.StepRepeat();
        if (afterStep_) afterStep_();
        passes_.fetch_add(1);
        std::unique_lock lock(sleepMutex_);
        sleepCv_.wait_for(lock, kPassSleep, [this] { return ThreadAlive.load() != 1; });
    }
}

} // namespace velt
