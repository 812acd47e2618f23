#include "NetworkLine.h"

#include "CModbusPort.h"

#include <algorithm>
#include <cstring>

namespace velt {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Until(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return left.count() > 0 ? left : std::chrono::milliseconds(0);
}

uint16_t Word(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

} // namespace

MbapHeader ReadMbapHeader(const uint8_t* bytes) {
    return {Word(bytes), Word(bytes + 2), Word(bytes + 4), bytes[6]};
}

MbapVerdict JudgeMbapHeader(const MbapHeader& header, uint16_t transaction) {
    if (header.Protocol != 0) return MbapVerdict::WrongProtocol;
    // A reply carries at least a function code and one more byte.
    if (header.Length < 3 || header.Length > kMbapMaxLength) return MbapVerdict::WrongLength;
    if (header.Transaction == transaction) return MbapVerdict::Ours;
    const uint16_t back = static_cast<uint16_t>(transaction - header.Transaction);
    return back <= kLateReplyWindow ? MbapVerdict::Late : MbapVerdict::WrongTransaction;
}

MbapReply DecodeMbapReply(const uint8_t* frame, size_t size, uint16_t transaction, uint8_t* rtu,
                          size_t capacity) {
    MbapReply reply;
    if (size < kMbapHeaderLength) return reply;
    const MbapHeader h = ReadMbapHeader(frame);
    reply.Verdict = JudgeMbapHeader(h, transaction);
    if (reply.Verdict != MbapVerdict::Ours) return reply;
    const size_t length = h.Length + 2u; // unit, PDU, CRC
    if (size != kMbapHeaderLength + h.Length - 1u || length > capacity) {
        reply.Verdict = MbapVerdict::WrongLength;
        return reply;
    }
    rtu[0] = h.Unit;
    std::memcpy(rtu + 1, frame + kMbapHeaderLength, h.Length - 1u);
    const uint16_t crc = Crc16(rtu, h.Length);
    rtu[h.Length] = static_cast<uint8_t>(crc & 0xFF);
    rtu[h.Length + 1u] = static_cast<uint8_t>(crc >> 8);
    reply.RtuLength = length;
    return reply;
}

NetworkLine::NetworkLine(LineKind kind, std::chrono::milliseconds connectTimeout)
    : kind_(kind), connectTimeout_(connectTimeout) {}

bool NetworkLine::Open(const std::string& name) {
    openError_ = {};
    fault_ = {};
    const LineName line = ParseLineName(name);
    if (!line.Valid() || line.Kind != kind_) {
        openError_ = MakeOpenError(OpenFailure::BadName, name);
        return false;
    }
    if (socket_.Connect(line.Host, line.Port, connectTimeout_)) return true;
    const SocketError error = socket_.LastError();
    OpenFailure kind = OpenFailure::Other;
    if (error.kind == SocketFailure::HostNotFound) kind = OpenFailure::HostNotFound;
    if (error.kind == SocketFailure::Refused) kind = OpenFailure::Refused;
    if (error.kind == SocketFailure::TimedOut) kind = OpenFailure::ConnectTimeout;
    openError_ = MakeOpenError(kind, name);
    openError_.systemText = error.systemText;
    return false;
}

void NetworkLine::DiscardInput() {
    uint8_t sink[512];
    while (socket_.Available() > 0 && socket_.Receive(sink, sizeof sink, std::chrono::milliseconds(0)) > 0) {
    }
}

bool NetworkLine::SetTimeouts(const SerialTimeouts& timeouts) {
    timeouts_ = timeouts;
    return true;
}

long NetworkLine::TakeLateReplies() {
    const long late = lateReplies_;
    lateReplies_ = 0;
    return late;
}

void NetworkLine::NoteBroken() {
    const SocketError error = socket_.LastError();
    fault_ = {error.kind == SocketFailure::Closed ? LineFault::Closed : LineFault::Reset, error.systemText};
}

long NetworkLine::Write(const uint8_t* bytes, size_t count) {
    fault_ = {};
    if (kind_ == LineKind::RtuOverTcp) {
        if (socket_.Send(bytes, count)) return static_cast<long>(count);
        NoteBroken();
        return -1;
    }
    // An RTU request: unit, PDU, two CRC bytes.
    if (count < 4) return 0;
    ++transaction_;
    unit_ = bytes[0];
    frame_.clear();
    PutWord(frame_, transaction_);
    PutWord(frame_, 0);
    PutWord(frame_, static_cast<uint16_t>(count - 2));
    frame_.insert(frame_.end(), bytes, bytes + count - 2);
    if (socket_.Send(frame_.data(), frame_.size())) return static_cast<long>(count);
    NoteBroken();
    return -1;
}

long NetworkLine::Read(uint8_t* bytes, size_t count) {
    fault_ = {};
    return kind_ == LineKind::RtuOverTcp ? ReadRaw(bytes, count) : ReadMbap(bytes, count);
}

bool NetworkLine::ReadExactly(uint8_t* bytes, size_t count, Clock::time_point end, size_t& got) {
    got = 0;
    while (got < count) {
        const long n = socket_.Receive(bytes + got, count - got, Until(end));
        if (n < 0) {
            NoteBroken();
            return false;
        }
        if (n == 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

// Serial read rules: ends at count bytes, at a gap longer than readInterval
// after the first byte, or at the total time.
long NetworkLine::ReadRaw(uint8_t* bytes, size_t count) {
    const auto end = Clock::now() + timeouts_.readTotalConstant + timeouts_.readTotalPerByte * count;
    size_t got = 0;
    while (got < count) {
        const auto wait = got == 0 ? Until(end) : std::min(Until(end), timeouts_.readInterval);
        const long n = socket_.Receive(bytes + got, count - got, wait);
        if (n < 0) {
            NoteBroken();
            return -1;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return static_cast<long>(got);
}

// Reads MBAP frames until the reply to the last request, skipping late ones.
// A header that cannot be ours leaves the stream out of step, so what is
// queued is thrown away with it; that read returns 0 with the fault set (the
// connection itself is still good).
long NetworkLine::ReadMbap(uint8_t* bytes, size_t count) {
    const auto end = Clock::now() + timeouts_.readTotalConstant + timeouts_.readTotalPerByte * count;
    for (;;) {
        frame_.assign(kMbapHeaderLength, 0);
        size_t got = 0;
        if (!ReadExactly(frame_.data(), kMbapHeaderLength, end, got))
            return fault_.kind == LineFault::None ? 0 : -1;
        const MbapHeader h = ReadMbapHeader(frame_.data());
        MbapVerdict verdict = JudgeMbapHeader(h, transaction_);
        if (verdict != MbapVerdict::WrongProtocol && verdict != MbapVerdict::WrongLength) {
            frame_.resize(kMbapHeaderLength + h.Length - 1u);
            if (!ReadExactly(frame_.data() + kMbapHeaderLength, h.Length - 1u, end, got))
                return fault_.kind == LineFault::None ? 0 : -1;
            const MbapReply reply = DecodeMbapReply(frame_.data(), frame_.size(), transaction_, bytes, count);
            if (reply.Verdict == MbapVerdict::Ours) return static_cast<long>(reply.RtuLength);
            verdict = reply.Verdict;
        }
        if (verdict == MbapVerdict::Late) {
            ++lateReplies_;
            continue;
        }
        fault_.kind = verdict == MbapVerdict::WrongTransaction ? LineFault::TransactionMismatch
                      : verdict == MbapVerdict::WrongProtocol  ? LineFault::ProtocolMismatch
                                                               : LineFault::LengthMismatch;
        DiscardInput();
        return 0;
    }
}

} // namespace velt
