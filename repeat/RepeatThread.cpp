#include "RepeatThread.h"

namespace velt {

RepeatThread::RepeatThread(RepeatSequence& sequence, std::function<void()> afterStep)
    : sequence_(sequence), afterStep_(std::move(afterStep)) {}

// A thread that outlived Stop's wait is still inside a step that uses the
// sequence and the link; it is waited for here, before either can go.
RepeatThread::~RepeatThread() {
    RequestStop();
    worker_.StopAndWait();
}

bool RepeatThread::Start() {
    if (started_) return worker_.HasThread();
    started_ = true;
    ThreadAlive.store(1);
    if (!worker_.Start([this](std::stop_token stop) { Run(stop); })) {
        ThreadAlive.store(0);
        return false;
    }
    return true;
}

RepeatThread::StopResult RepeatThread::Stop(std::chrono::milliseconds wait) {
    RequestStop();
    return worker_.Stop(wait);
}

// Without the Halt a step could go on writing the rest of a move while the
// owner waits; the sequence cannot run on without its thread anyway.
void RepeatThread::RequestStop() {
    ThreadAlive.store(0);
    worker_.RequestStop();
    sequence_.Halt();
}

// While no cycle runs there is nothing to step: after one last hook (the
// window shows the end of the cycle) the thread sleeps until the next Start
// instead of waking every 10 ms.
void RepeatThread::Run(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
        if (!sequence_.Repeating()) {
            if (afterStep_) afterStep_();
            sequence_.WaitForStart(stop);
            continue;
        }
        sequence_.StepRepeat();
        if (afterStep_) afterStep_();
        passes_.fetch_add(1);
        StoppableWorker::SleepFor(stop, kPassSleep);
    }
}

} // namespace velt
