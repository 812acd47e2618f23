#include "ScriptedLine.h"

#include "FuzzSupport.h"
#include "link/CModbusPort.h"

#include <algorithm>

namespace velt::fuzz {

void ScriptedLine::NextExchange(WriteMode mode, size_t missing, bool readFails) {
    writeMode_ = mode;
    missing_ = std::max<size_t>(missing, 1);
    readFails_ = readFails;
    reply_.clear();
}

void ScriptedLine::QueueStale(std::string_view bytes) {
    if (!bytes.empty()) queue_.push_back({now_, std::string(bytes), 0, true});
}

void ScriptedLine::ScriptReply(Ms pause, std::string_view bytes) {
    reply_.push_back({pause, std::string(bytes), 0, false});
}

void ScriptedLine::SealReply() {
    std::string all;
    for (const Arrival& a : reply_)
        all += a.bytes;
    const uint16_t crc = Crc16(reinterpret_cast<const uint8_t*>(all.data()), all.size());
    if (reply_.empty()) reply_.push_back({Ms(0), {}, 0, false});
    reply_.back().bytes += static_cast<char>(crc & 0xFF);
    reply_.back().bytes += static_cast<char>(crc >> 8);
}

bool ScriptedLine::Open(const std::string&) {
    if (open_) return false;
    open_ = true;
    return true;
}

bool ScriptedLine::SetTimeouts(const SerialTimeouts& timeouts) {
    timeouts_ = timeouts;
    return open_;
}

long ScriptedLine::Write(const uint8_t* bytes, size_t count) {
    ++writes_;
    written_.clear();
    replyRead_.clear();
    readsSinceWrite_ = 0;
    if (!open_ || writeMode_ == WriteMode::Fail) return -1;
    if (writeMode_ == WriteMode::Short) {
        const size_t done = count > missing_ ? count - missing_ : 0;
        written_.assign(bytes, bytes + done);
        return static_cast<long>(done);
    }
    written_.assign(bytes, bytes + count);
    // The drive answers what it heard; its reply follows the request.
    for (Arrival& a : reply_) {
        now_ += a.at;
        a.at = now_;
        queue_.push_back(std::move(a));
    }
    reply_.clear();
    return static_cast<long>(count);
}

// Ends when `count` bytes are in, when the pause before the next arrival is
// longer than the read interval (once a byte is in), or when the next
// arrival comes after the total timeout.
long ScriptedLine::Read(uint8_t* bytes, size_t count) {
    lastRead_.clear();
    if (!open_ || readFails_) return -1;
    const Ms start = now_;
    const Ms total =
        start + timeouts_.readTotalConstant + timeouts_.readTotalPerByte * static_cast<long>(count);
    Ms last = start;
    while (lastRead_.size() < count && !queue_.empty()) {
        Arrival& a = queue_.front();
        const Ms at = std::max(a.at, start);
        if (at > total || (!lastRead_.empty() && at - last > timeouts_.readInterval)) break;
        VELT_FUZZ_CHECK(!a.stale);
        const size_t n = std::min(a.bytes.size() - a.taken, count - lastRead_.size());
        lastRead_.insert(lastRead_.end(), a.bytes.begin() + static_cast<long>(a.taken),
                         a.bytes.begin() + static_cast<long>(a.taken + n));
        a.taken += n;
        last = at;
        if (a.taken == a.bytes.size()) queue_.pop_front();
    }
    now_ = lastRead_.size() == count ? last
           : lastRead_.empty()       ? total
                                     : std::min(total, last + timeouts_.readInterval);
    std::copy(lastRead_.begin(), lastRead_.end(), bytes);
    if (readsSinceWrite_++ == 0) replyRead_ = lastRead_;
    return static_cast<long>(lastRead_.size());
}

} // namespace velt::fuzz
