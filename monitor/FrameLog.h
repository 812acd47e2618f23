#pragma once
// The frame log of the monitoring page without its widgets.
//
// FrameLog takes the request and reply frames the drive link hands over and
// keeps them, each with its arrival time and a sequence number common to both
// queues, until the page's 10 ms tick shows them. LogLines is what one list
// holds: the newest 51 lines with their arrival times, which Save As writes
// out in arrival order.
#include "link/CDriveLink.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velt {

using WallTime = std::chrono::system_clock::time_point;

struct LoggedFrame {
    std::vector<uint8_t> Bytes;
    WallTime Arrival{};
    uint64_t Sequence = 0; // arrival order across both queues
};

// QueueTxFrame and QueueRxFrame run on whatever thread made the request,
// under the link's lock; each takes only its own queue's lock, and only for
// the append. The Take functions and Clear belong to the user-interface
// thread and never call the link while holding a queue's lock.
class FrameLog : public IFrameLog {
public:
    // Each queue keeps the newest frames only, so a page that is not reading
    // cannot make it grow without bound (a silent drive fails every poll).
    static constexpr size_t kMaxQueuedFrames = 256;
    // The port's frames are at most this long; a longer length is cut.
    static constexpr int kMaxFrameBytes = 256;

    void QueueTxFrame(int length, const uint8_t* bytes) override;
    void QueueRxFrame(int length, const uint8_t* bytes) override;

    // The oldest queued frame, removed from its queue; nothing when empty.
    std::optional<LoggedFrame> TakeTx();
    std::optional<LoggedFrame> TakeRx();
    void Clear(); // frees every queued frame of both queues
    // A sequence number after every frame queued so far (for lines that are
    // no frames).
    uint64_t NewSequence() { return sequence_.fetch_add(1); }

private:
    struct Queue {
        std::mutex Lock;
        std::deque<LoggedFrame> Frames;
    };
    void Push(Queue& queue, int length, const uint8_t* bytes);
    static std::optional<LoggedFrame> Take(Queue& queue);

    std::atomic<uint64_t> sequence_{0};
    Queue tx_;
    Queue rx_;
};

// "%02X " for every byte: "01 06 00 78 00 04 08 10 " (an empty frame gives "").
std::string FrameLineText(const std::vector<uint8_t>& bytes);

struct LogLine {
    std::string Text;
    WallTime Arrival{};
    uint64_t Sequence = 0;
};

// One list's lines. User-interface thread.
class LogLines {
public:
    // A list holds at most 51 lines: before a line is added to a list that
    // holds more than 50, its oldest line goes.
    static constexpr size_t kMaxLines = 51;

    // Adds the line at the end; true when the oldest line was removed first.
    bool Append(LogLine line);
    void Clear() { lines_.clear(); }
    const std::deque<LogLine>& Lines() const { return lines_; }

private:
    std::deque<LogLine> lines_;
};

// Local time to the millisecond: "2024-05-01 13:45:07.123".
std::string ArrivalTimeText(WallTime t);

// The text Save As writes: the lines of both lists merged in arrival order,
// one per line ending in CR LF, the bytes as in the list without the
// trailing blank: "2024-05-01 13:45:07.123  Send     01 06 00 78 00 04 08 10".
std::string SavedLogText(const LogLines& send, const LogLines& receive);

} // namespace velt
