#include "RepeatThread.h"

#include <system_error>

namespace velt {

// Set by the thread as its very last act, so that Stop can wait with a time
// limit (std::thread::join has none).
struct RepeatThread::ThreadDone {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;

    void Signal() {
        std::lock_guard lock(m);
        done = true;
        cv.notify_all();
    }
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(m);
        return cv.wait_for(lock, timeout, [this] { return done; });
    }
};

RepeatThread::RepeatThread(RepeatSequence& sequence, std::function<void()> afterStep)
    : sequence_(sequence), afterStep_(std::move(afterStep)) {}

// A thread that outlived Stop's wait is still inside a step that uses the
// sequence and the link; it is waited for here, before either can go.
RepeatThread::~RepeatThread() {
    {
        std::lock_guard lock(sleepMutex_);
        ThreadAlive.store(0);
    }
    sleepCv_.notify_all();
    sequence_.Halt();
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
    done_ = std::make_shared<ThreadDone>();
    try {
        Thread = std::thread([this, done = done_] {
            Run();
            done->Signal();
        });
    } catch (const std::system_error&) {
        ThreadAlive.store(0);
        return false;
    }
    return true;
}

RepeatThread::StopResult RepeatThread::Stop(std::chrono::milliseconds wait) {
    {
        std::lock_guard lock(sleepMutex_);
        ThreadAlive.store(0);
    }
    sleepCv_.notify_all();
    if (!Thread.joinable()) return StopResult::NotStarted;
    // Without this a step could go on writing the rest of a move while the
    // owner waits; the sequence cannot run on without its thread anyway.
    sequence_.Halt();
    if (!done_->WaitFor(wait)) return StopResult::TimedOut;
    try {
        Thread.join();
    } catch (const std::system_error&) {
        return StopResult::WaitFailed;
    }
    return StopResult::Stopped;
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
