#pragma once
// A serial line in memory for the Modbus fuzzer. What the master writes is
// recorded; what the drive sends back is scripted as arrivals, each a run of
// bytes after a pause. Reads keep the comm timeouts of SerialTimeouts on a
// clock of the line's own, so no read ever waits.
#include "platform/SerialDevice.h"

#include <chrono>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace velt::fuzz {

class ScriptedLine final : public SerialLine {
public:
    enum class WriteMode { Whole, Short, Fail };

    // Starts the script of the next exchange: how its write goes (a short
    // write leaves out the last `missing` bytes, at least one) and whether
    // its read fails. Drops a reply scripted before and never sent for.
    void NextExchange(WriteMode mode, size_t missing, bool readFails);
    // Bytes already waiting before the next request (a late reply to an
    // earlier one). A read that returns any of them is a fault of the master.
    void QueueStale(std::string_view bytes);
    // Bytes that arrive `pause` after the previous arrival; the first one is
    // timed from the end of the next whole write.
    void ScriptReply(std::chrono::milliseconds pause, std::string_view bytes);
    // Ends the scripted reply with the CRC of its bytes, so that its other
    // faults come to light.
    void SealReply();

    // The last exchange as the line saw it.
    size_t Writes() const { return writes_; }
    const std::vector<uint8_t>& Written() const { return written_; }
    // The reply as the master read it: its first read after the last write
    // (a later read of the same exchange drains the line and is not kept).
    const std::vector<uint8_t>& ReplyRead() const { return replyRead_; }

    bool Open(const std::string& name) override;
    void Purge() override { DiscardInput(); }
    void DiscardInput() override { queue_.clear(); }
    bool SetTimeouts(const SerialTimeouts& timeouts) override;
    bool Configure(uint32_t baudRate) override { return open_ && baudRate != 0; }
    long Write(const uint8_t* bytes, size_t count) override;
    long Read(uint8_t* bytes, size_t count) override;
    void ClearEventMask() override {}
    void Close() override { open_ = false; }

private:
    using Ms = std::chrono::milliseconds;
    struct Arrival {
        Ms at;
        std::string bytes;
        size_t taken = 0;
        bool stale = false;
    };

    bool open_ = false;
    SerialTimeouts timeouts_;
    Ms now_{0};
    WriteMode writeMode_ = WriteMode::Whole;
    size_t missing_ = 1;
    bool readFails_ = false;
    std::deque<Arrival> queue_;  // on the line, not yet read
    std::vector<Arrival> reply_; // arrives after the next whole write
    size_t writes_ = 0;
    std::vector<uint8_t> written_;
    std::vector<uint8_t> lastRead_;
    std::vector<uint8_t> replyRead_;
    size_t readsSinceWrite_ = 0;
};

} // namespace velt::fuzz
