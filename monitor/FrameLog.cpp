#include "monitor/FrameLog.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace velt {

void FrameLog::Push(Queue& queue, int length, const uint8_t* bytes) {
    // Copied and stamped before the lock: the lock covers the append only.
    LoggedFrame frame;
    const int n = bytes != nullptr ? std::clamp(length, 0, kMaxFrameBytes) : 0;
    frame.Bytes.assign(bytes, bytes + n);
    frame.Arrival = std::chrono::system_clock::now();
    frame.Sequence = sequence_.fetch_add(1);
    std::lock_guard lock(queue.Lock);
    if (queue.Frames.size() >= kMaxQueuedFrames) queue.Frames.pop_front();
    queue.Frames.push_back(std::move(frame));
}

std::optional<LoggedFrame> FrameLog::Take(Queue& queue) {
    std::lock_guard lock(queue.Lock);
    if (queue.Frames.empty()) return std::nullopt;
    LoggedFrame frame = std::move(queue.Frames.front());
    queue.Frames.pop_front();
    return frame;
}

void FrameLog::QueueTxFrame(int length, const uint8_t* bytes) {
    Push(tx_, length, bytes);
}

void FrameLog::QueueRxFrame(int length, const uint8_t* bytes) {
    Push(rx_, length, bytes);
}

std::optional<LoggedFrame> FrameLog::TakeTx() {
    return Take(tx_);
}

std::optional<LoggedFrame> FrameLog::TakeRx() {
    return Take(rx_);
}

void FrameLog::Clear() {
    for (Queue* queue : {&tx_, &rx_}) {
        std::deque<LoggedFrame> dropped;
        {
            std::lock_guard lock(queue->Lock);
            dropped.swap(queue->Frames);
        }
        // freed here, outside the lock
    }
}

std::string FrameLineText(const std::vector<uint8_t>& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        line += kHex[b >> 4];
        line += kHex[b & 0x0F];
        line += ' ';
    }
    return line;
}

bool LogLines::Append(LogLine line) {
    const bool removed = lines_.size() >= kMaxLines;
    if (removed) lines_.pop_front();
    lines_.push_back(std::move(line));
    return removed;
}

std::string ArrivalTimeText(WallTime t) {
    using namespace std::chrono;
    const auto whole = floor<seconds>(t);
    const std::time_t wholeSeconds = system_clock::to_time_t(whole);
    const long ms = static_cast<long>(duration_cast<milliseconds>(t - whole).count());
    // localtime's buffer is shared: user-interface thread only, like LogLines.
    const std::tm* local = std::localtime(&wholeSeconds);
    char text[40] = "";
    if (local != nullptr) {
        const size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
        std::snprintf(text + n, sizeof text - n, ".%03ld", ms);
    }
    return text;
}

std::string SavedLogText(const LogLines& send, const LogLines& receive) {
    struct Entry {
        const LogLine* Line;
        const char* List;
    };
    std::vector<Entry> entries;
    for (const LogLine& line : send.Lines())
        entries.push_back({&line, "Send   "});
    for (const LogLine& line : receive.Lines())
        entries.push_back({&line, "Receive"});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.Line->Sequence < b.Line->Sequence; });
    std::string text;
    for (const Entry& e : entries) {
        std::string_view bytes = e.Line->Text;
        if (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
        text += ArrivalTimeText(e.Line->Arrival);
        text += "  ";
        text += e.List;
        text += "  ";
        text += bytes;
        text += "\r\n";
    }
    return text;
}

} // namespace velt
