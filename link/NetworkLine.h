#pragma once
// A network line to a gateway in front of the drive's RS-485 line, shown to
// CModbusPort as a SerialLine so that everything above the port works as on
// a serial line. Two kinds (LineName.h):
//  - RtuOverTcp: the RTU frames, CRC included, carried raw; reads behave as
//    on a serial line (interval and total time-outs).
//  - ModbusTcp: each RTU request written is sent as an MBAP frame (numbered
//    transaction, protocol 0, length, unit = the drive ID, the PDU; no CRC)
//    and each MBAP reply is handed back in its RTU form (unit, PDU and a
//    CRC computed here), so the port's frames, trace and checks see one
//    shape for every line. A reply numbered for an earlier request is
//    thrown away and counted (TakeLateReplies).
//
// Not thread-safe: CModbusPort calls it under its Lock.
#include "LineName.h"
#include "platform/SerialDevice.h"
#include "platform/TcpSocket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velt {

// The MBAP header in front of every Modbus TCP frame.
struct MbapHeader {
    uint16_t Transaction = 0;
    uint16_t Protocol = 0;
    uint16_t Length = 0; // the bytes after it: unit and PDU
    uint8_t Unit = 0;
};
inline constexpr size_t kMbapHeaderLength = 7;
// The longest PDU (Modbus application protocol: 253 bytes) plus its unit.
inline constexpr uint16_t kMbapMaxLength = 254;

MbapHeader ReadMbapHeader(const uint8_t* bytes);

// How a Modbus TCP reply of the given header stands against the request
// numbered transaction (unit and PDU are checked later, as for RTU).
enum class MbapVerdict { Ours, Late, WrongTransaction, WrongProtocol, WrongLength };
// A reply numbered up to this many requests back counts as late.
inline constexpr uint16_t kLateReplyWindow = 16;
MbapVerdict JudgeMbapHeader(const MbapHeader& header, uint16_t transaction);

// One whole MBAP frame as received (size bytes: the header and Length - 1
// more) read as the reply to the request numbered transaction. When it is
// ours and its RTU form (unit, PDU, CRC computed here) fits capacity bytes,
// that form is written to rtu and RtuLength says how long it is; a reply
// that does not fit, or a frame whose size is not what its header says,
// reads as WrongLength.
struct MbapReply {
    MbapVerdict Verdict = MbapVerdict::WrongLength;
    size_t RtuLength = 0;
};
MbapReply DecodeMbapReply(const uint8_t* frame, size_t size, uint16_t transaction, uint8_t* rtu,
                          size_t capacity);

class NetworkLine final : public SerialLine {
public:
    NetworkLine(LineKind kind, std::chrono::milliseconds connectTimeout);

    // name is a valid network line name of this line's kind.
    bool Open(const std::string& name) override;
    void Purge() override { DiscardInput(); }
    void DiscardInput() override;
    long QueuedInput() override { return socket_.Available(); }
    bool SetTimeouts(const SerialTimeouts& timeouts) override;
    // The bit rate belongs to the gateway's serial side; nothing to do here.
    bool Configure(uint32_t) override { return true; }
    long Write(const uint8_t* bytes, size_t count) override;
    long Read(uint8_t* bytes, size_t count) override;
    void ClearEventMask() override {}
    void Close() override { socket_.Close(); }
    SerialOpenError LastOpenError() const override { return openError_; }
    LineError LastFault() const override { return fault_; }
    long TakeLateReplies() override;

private:
    // Reads exactly count bytes before end; false on time-out (got tells how
    // many came) or a broken connection (fault_ set).
    bool ReadExactly(uint8_t* bytes, size_t count, std::chrono::steady_clock::time_point end, size_t& got);
    long ReadRaw(uint8_t* bytes, size_t count);
    long ReadMbap(uint8_t* bytes, size_t count);
    void NoteBroken();

    LineKind kind_;
    std::chrono::milliseconds connectTimeout_;
    TcpSocket socket_;
    SerialTimeouts timeouts_;
    SerialOpenError openError_;
    LineError fault_;
    uint16_t transaction_ = 0; // the number of the request last sent
    uint8_t unit_ = 0;
    long lateReplies_ = 0;
    std::vector<uint8_t> frame_; // one MBAP frame, written or read
};

} // namespace velt
