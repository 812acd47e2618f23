#pragma once
// A pseudo-terminal whose master side plays a scripted Modbus slave: each
// 8-byte request that arrives is recorded and answered with the next queued
// reply (or by a responder function). The code under test opens SlavePath()
// like a serial device.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velt::test {

using Bytes = std::vector<uint8_t>;

// Appends the Modbus CRC (low byte first) to a frame.
Bytes WithCrc(Bytes frame);

class ScriptedPty {
public:
    // Computes the answer to one request; an empty answer is silence.
    using Responder = std::function<Bytes(const Bytes& request)>;

    ScriptedPty();
    ~ScriptedPty();
    ScriptedPty(const ScriptedPty&) = delete;
    ScriptedPty& operator=(const ScriptedPty&) = delete;

    bool Ok() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }

    // Starts answering requests (8 bytes each) on a thread of its own.
    void Serve(Responder responder = {});
    // Queues the answer to the next unanswered request (used when no
    // responder was given), written after `delay`. No queued answer: silence.
    void QueueReply(Bytes reply, std::chrono::milliseconds delay = std::chrono::milliseconds(0));
    // Writes bytes to the line at once, outside the request cycle.
    void Send(const Bytes& bytes);
    // Requests received so far.
    std::vector<Bytes> Requests() const;
    // Waits until at least n requests have arrived (up to `limit`).
    bool WaitForRequests(size_t n, std::chrono::milliseconds limit = std::chrono::seconds(5));

private:
    struct Scripted {
        Bytes bytes;
        std::chrono::milliseconds delay;
    };
    void Run();
    void Answer(const Bytes& request);

    int master_ = -1;
    int keepOpen_ = -1; // a slave fd held so the master never sees a hang-up
    int wake_[2] = {-1, -1};
    std::string slavePath_;
    Responder responder_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Scripted> replies_;
    std::vector<Bytes> requests_;
};

} // namespace velt::test
