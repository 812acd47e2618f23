#include "StoppableWorker.h"

#include "MessageService.h"

#include <string>

#include <system_error>

namespace velt {

StoppableWorker::~StoppableWorker() {
    StopAndWait();
}

bool StoppableWorker::Start(Body body) {
    if (thread_.joinable()) return false;
    {
        std::lock_guard lock(endMutex_);
        ended_ = false;
    }
    try {
        // The body gets the token as an argument: the new thread must not
        // read thread_, which is still being assigned while it starts.
        thread_ = std::jthread([this, body = std::move(body)](std::stop_token stop) {
            body(std::move(stop));
            MarkEnded();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void StoppableWorker::RequestStop() {
    if (thread_.joinable()) thread_.request_stop();
}

StoppableWorker::StopResult StoppableWorker::Stop(std::chrono::milliseconds limit) {
    if (!thread_.joinable()) return StopResult::NotStarted;
    thread_.request_stop();
    if (!WaitEnded(limit)) return StopResult::TimedOut;
    try {
        thread_.join();
    } catch (const std::system_error&) {
        return StopResult::WaitFailed;
    }
    return StopResult::Stopped;
}

void StoppableWorker::StopAndWait() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    try {
        thread_.join();
    } catch (const std::system_error&) {
        // Only a thread that cannot be joined at all gets here (the owner
        // destroyed from within the body itself); std::jthread would end
        // the program on destruction, so the thread is let go.
        thread_.detach();
    }
}

// The signal is set and notified under the lock: the owner cannot see it,
// join and destroy the condition variable before notify_all has returned.
void StoppableWorker::MarkEnded() {
    std::lock_guard lock(endMutex_);
    ended_ = true;
    endCv_.notify_all();
}

bool StoppableWorker::WaitEnded(std::chrono::milliseconds limit) {
    std::unique_lock lock(endMutex_);
    return endCv_.wait_for(lock, limit, [this] { return ended_; });
}

bool StoppableWorker::SleepFor(const std::stop_token& stop, Clock::duration duration) {
    return SleepUntil(stop, Clock::now() + duration);
}

// A condition variable of the sleep's own: std::condition_variable_any
// wakes it through a stop callback when the stop is requested, and removes
// that callback (waiting for one that is running) before it returns.
bool StoppableWorker::SleepUntil(const std::stop_token& stop, Clock::time_point wake) {
    std::mutex mutex;
    std::condition_variable_any cv;
    std::unique_lock lock(mutex);
    cv.wait_until(lock, stop, wake, [] { return false; });
    return !stop.stop_requested();
}

StoppableWorker::StopResult StoppableWorker::Report(StopResult result, const char* threadName) {
    if (result == StopResult::TimedOut) ShowMessage(std::string(threadName) + " timeout!");
    if (result == StopResult::WaitFailed) ShowMessage(std::string(threadName) + " waitfailed");
    return result;
}

} // namespace velt
