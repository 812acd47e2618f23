#include "CModbusPort.h"

#include "DriveMap.h"
#include "NetworkLine.h"
#include "platform/SerialDevice.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace velt {

namespace {

constexpr int kRequestLength = 8;
constexpr int kExceptionReplyLength = 5;
// A register reply is 5 + 2 * quantity bytes and must fit RxFrame.
static_assert(5 + 2 * drive::MaxReadRegisters <= static_cast<int>(sizeof CModbusPort::RxFrame));

// After an exchange that failed short of a whole reply the line is read until it has been quiet this long
// (at most kMaxDrain), so that a reply that comes just after its read gave
// up is dropped instead of passing for the next request's reply. The gap is
// the one that ends a read between two bytes.
constexpr std::chrono::milliseconds kQuietGap{100};
constexpr std::chrono::milliseconds kMaxDrain{1000};

constexpr int BitReplyLength() {
    return 3 + (drive::BitCount + 7) / 8 + 2;
}
constexpr int RegisterReplyLength(int quantity) {
    return 5 + 2 * quantity;
}

// Bit i of a bit reply: data byte i / 8, bit i mod 8, least significant first.
void UnpackBits(const uint8_t* reply, uint8_t* out, int count) {
    for (int i = 0; i < count; ++i)
        out[i] = (reply[3 + i / 8] >> (i % 8)) & 1;
}

void UnpackRegisters(const uint8_t* reply, uint16_t* out, int count) {
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<uint16_t>(reply[3 + 2 * i] << 8 | reply[3 + 2 * i + 1]);
}

// Checks a reply of r >= 2 bytes to the request in tx, in this order: CRC,
// slave address, function, length. A CRC error wins over every other fault.
RtuResult CheckReply(const uint8_t* tx, const uint8_t* rx, int r, int expectedReplyLength) {
    const uint16_t crc = Crc16(rx, static_cast<size_t>(r - 2));
    if (crc != (rx[r - 2] | rx[r - 1] << 8)) return RTU_ERR_CRC;
    if (rx[0] != tx[0]) return RTU_ERR_FRAME;
    if ((rx[1] & ~drive::ExceptionBit) != tx[1]) return RTU_ERR_FRAME;
    if ((rx[1] & drive::ExceptionBit) == 0) {
        if (r != expectedReplyLength) return RTU_ERR_FRAME;
        // A write is answered with an echo of its request; the echo of another
        // write (a late one) confirms nothing about this one.
        const bool write =
            tx[1] == drive::FunctionWriteSingleCoil || tx[1] == drive::FunctionWriteSingleRegister;
        return write && std::memcmp(rx, tx, kRequestLength - 2) != 0 ? RTU_ERR_FRAME : RTU_OK;
    }
    if (r != kExceptionReplyLength) return RTU_ERR_FRAME;
    // Modbus has no exception code 0; read as success it would hand the
    // caller outputs that were never sent, so it counts as a malformed reply.
    return rx[2] != 0 ? RtuResult::Exception(rx[2]) : RTU_ERR_FRAME;
}

} // namespace

uint16_t Crc16(const uint8_t* data, size_t length) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

// The reply time-outs of a network line: the total as for a serial line,
// lengthened by the gateway's round trip, and a gap between two parts of a
// reply that allows for a segment held up on the network.
static SerialTimeouts NetworkReplyTimeouts() {
    SerialTimeouts t;
    t.readInterval = std::chrono::milliseconds(500);
    t.readTotalConstant = kNetworkReplyTimeout;
    return t;
}

static RtuResult ResultOfFault(LineFault fault) {
    return fault == LineFault::Closed || fault == LineFault::Reset ? RTU_ERR_READ : RTU_ERR_FRAME;
}

CModbusPort::CModbusPort() : Handle(std::make_unique<SerialDevice>()), ownsLine_(true) {}

CModbusPort::CModbusPort(std::unique_ptr<SerialLine> line) : Handle(std::move(line)) {}

CModbusPort::~CModbusPort() {
    ClosePort();
}

std::string ComDeviceName(int portNumber) {
    return (portNumber < 10 ? "COM" : "\\\\.\\COM") + std::to_string(portNumber);
}

bool CModbusPort::OpenPort(uint8_t portNumber, uint32_t baudRate) {
    return OpenDevice(ComDeviceName(portNumber), baudRate);
}

bool CModbusPort::OpenDevice(const std::string& deviceName, uint32_t baudRate) {
    if (open_.load()) {
        openError_ = MakeOpenError(OpenFailure::InUse, deviceName);
        return false;
    }
    openError_ = {};
    lineFault_ = {};
    std::memset(TxFrame, 0, sizeof TxFrame);
    std::memset(RxFrame, 0, sizeof RxFrame);
    const LineName line = ParseLineName(deviceName);
    if (!line.Valid()) {
        openError_ = MakeOpenError(OpenFailure::BadName, deviceName);
        return false;
    }
    if (ownsLine_) ChooseLine(line.Kind);
    const bool network = line.Kind != LineKind::Serial;
    replyTimeouts_ = network ? NetworkReplyTimeouts() : SerialTimeouts{};
    if (!Handle->Open(deviceName)) {
        openError_ = Handle->LastOpenError();
        if (openError_.kind == OpenFailure::None) openError_.kind = OpenFailure::Other;
        return false;
    }
    Handle->Purge();
    Handle->SetTimeouts(replyTimeouts_);
    if (!network && !Handle->Configure(baudRate)) {
        // Released at once so that a later connect to the same device can
        // open it again.
        Handle->Close();
        openError_ = MakeOpenError(OpenFailure::BaudRefused, deviceName);
        openError_.baudRate = baudRate;
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(deviceLock_);
        openedDevice_ = deviceName;
    }
    Baud.store(network ? 0 : baudRate);
    kind_.store(line.Kind);
    open_.store(true);
    return true;
}

void CModbusPort::ChooseLine(LineKind kind) {
    // A request that saw the port open just before it closed may still be
    // waiting for Lock; it finds the new line closed.
    std::lock_guard<std::mutex> guard(Lock);
    if (kind == LineKind::Serial) {
        if (kind_.load() != LineKind::Serial) Handle = std::make_unique<SerialDevice>();
    } else {
        Handle = std::make_unique<NetworkLine>(kind, kNetworkConnectTimeout);
    }
    kind_.store(kind);
}

std::string CModbusPort::OpenedDevice() const {
    std::lock_guard<std::mutex> guard(deviceLock_);
    return openedDevice_;
}

void CModbusPort::ClosePort() {
    if (!open_.load()) return;
    open_.store(false);
    Handle->ClearEventMask();
    Handle->Purge();
    Handle->Close();
}

void CModbusPort::SetTrace(TraceFn fn, void* context) {
    std::lock_guard<std::mutex> guard(Lock);
    traceFn_ = fn;
    traceContext_ = context;
}

// One exchange on TxFrame/RxFrame; the caller holds Lock. The checks run in
// a fixed order: write, broadcast, read, length floor, then CheckReply. The
// exchange is recorded in the journal with its round trip (the drain after a
// failure is not part of it).
RtuResult CModbusPort::Transact(int requestLength, int expectedReplyLength) {
    if (!open_.load()) return RTU_ERR_NOT_OPEN;
    long written = 0;
    long got = 0;
    const int64_t startNs = journal_ ? SteadyNowNs() : 0;
    lineFault_ = {};
    const RtuResult result = Exchange(requestLength, expectedReplyLength, written, got);
    if (journal_) {
        for (long late = Handle->TakeLateReplies(); late > 0; --late)
            journal_->CountLateReplyDropped();
    }
    if (journal_ && result != RTU_BROADCAST) {
        const int64_t endNs = SteadyNowNs();
        journal_->Record({endNs, static_cast<uint32_t>((endNs - startNs) / 1000), TxFrame[1], result});
    }
    // Only a reply that fell short can still be on its way; an exception
    // reply is the drive's whole answer. Modbus TCP numbers its replies, so
    // a late one is recognised when it comes and needs no wait here.
    const bool shortReply = got < expectedReplyLength;
    const bool numbered = kind_.load() == LineKind::ModbusTcp;
    if (!numbered && shortReply &&
        (result == RTU_ERR_NO_REPLY || result == RTU_ERR_CRC || result == RTU_ERR_FRAME)) {
        if (DrainLateBytes() && journal_) journal_->CountLateReplyDropped();
    }
    if (traceFn_) {
        traceFn_(traceContext_, true, TxFrame, written > 0 ? static_cast<size_t>(written) : 0);
        traceFn_(traceContext_, false, RxFrame, got > 0 ? static_cast<size_t>(got) : 0);
    }
    return result;
}

// The write and read of one exchange; a network line's fault wins over the
// bytes. Caller holds Lock.
RtuResult CModbusPort::Exchange(int requestLength, int expectedReplyLength, long& written, long& got) {
    // Bytes still queued from an earlier exchange (a reply that came after
    // its read gave up, a tail past the expected length) answer no request
    // of ours; a stale reply of the right length would otherwise pass for
    // this request's reply.
    if (journal_ && Handle->QueuedInput() > 0) journal_->CountLateReplyDropped();
    Handle->DiscardInput();
    written = Handle->Write(TxFrame, static_cast<size_t>(requestLength));
    if (written != requestLength) {
        TxCount = 0;
        lineFault_ = Handle->LastFault();
        return RTU_ERR_WRITE;
    }
    TxCount = static_cast<uint16_t>(written);
    if (TxFrame[0] == 0) {
        RxCount = 0;
        return RTU_BROADCAST;
    }
    got = Handle->Read(RxFrame, static_cast<size_t>(expectedReplyLength));
    lineFault_ = Handle->LastFault();
    if (lineFault_.kind != LineFault::None) {
        RxCount = got > 0 ? static_cast<uint16_t>(got) : 0;
        if (got < 0) got = 0;
        return ResultOfFault(lineFault_.kind);
    }
    if (got < 2) {
        RxCount = 0;
        return got < 0 ? RTU_ERR_READ : RTU_ERR_NO_REPLY;
    }
    RxCount = static_cast<uint16_t>(got);
    return CheckReply(TxFrame, RxFrame, static_cast<int>(got), expectedReplyLength);
}

// Reads and drops what arrives until the line is quiet; RxFrame keeps the
// failed exchange for the caller. Caller holds Lock.
bool CModbusPort::DrainLateBytes() {
    SerialTimeouts quiet;
    quiet.readInterval = kQuietGap;
    quiet.readTotalPerByte = std::chrono::milliseconds(0);
    quiet.readTotalConstant = kQuietGap;
    Handle->SetTimeouts(quiet);
    uint8_t sink[256];
    bool dropped = false;
    const auto end = std::chrono::steady_clock::now() + kMaxDrain;
    while (std::chrono::steady_clock::now() < end && Handle->Read(sink, sizeof sink) > 0)
        dropped = true;
    Handle->SetTimeouts(replyTimeouts_);
    return dropped;
}

// Builds the 8-byte request in TxFrame and runs the exchange. Caller holds Lock.
RtuResult CModbusPort::Request(uint8_t slave, uint8_t function, uint16_t address, uint16_t value,
                               int expectedReplyLength) {
    TxFrame[0] = slave;
    TxFrame[1] = function;
    TxFrame[2] = static_cast<uint8_t>(address >> 8);
    TxFrame[3] = static_cast<uint8_t>(address & 0xFF);
    TxFrame[4] = static_cast<uint8_t>(value >> 8);
    TxFrame[5] = static_cast<uint8_t>(value & 0xFF);
    const uint16_t crc = Crc16(TxFrame, 6);
    TxFrame[6] = static_cast<uint8_t>(crc & 0xFF);
    TxFrame[7] = static_cast<uint8_t>(crc >> 8);
    return Transact(kRequestLength, expectedReplyLength);
}

RtuResult CModbusPort::ReadCoils(uint8_t slave, uint8_t coils[drive::BitCount]) {
    if (!open_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard<std::mutex> guard(Lock);
    const RtuResult result = Request(slave, drive::FunctionReadCoils, 0, drive::BitCount, BitReplyLength());
    if (result == RTU_OK) UnpackBits(RxFrame, coils, drive::BitCount);
    return result;
}

RtuResult CModbusPort::ReadDiscreteInputs(uint8_t slave, uint8_t inputs[drive::BitCount]) {
    if (!open_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard<std::mutex> guard(Lock);
    const RtuResult result =
        Request(slave, drive::FunctionReadDiscreteInputs, 0, drive::BitCount, BitReplyLength());
    if (result == RTU_OK) UnpackBits(RxFrame, inputs, drive::BitCount);
    return result;
}

RtuResult CModbusPort::ReadHoldingRegisters(uint8_t slave, uint16_t start, uint16_t* values, int quantity) {
    if (!open_.load()) return RTU_ERR_NOT_OPEN;
    // A reply to more than MaxReadRegisters cannot fit RxFrame; refuse
    // before anything is sent.
    if (quantity < 1 || quantity > drive::MaxReadRegisters) return RTU_ERR_FRAME;
    std::lock_guard<std::mutex> guard(Lock);
    const RtuResult result = Request(slave, drive::FunctionReadHoldingRegisters, start,
                                     static_cast<uint16_t>(quantity), RegisterReplyLength(quantity));
    if (result == RTU_OK) UnpackRegisters(RxFrame, values, quantity);
    return result;
}

RtuResult CModbusPort::ReadInputRegisters(uint8_t slave, uint16_t values[drive::StateCount]) {
    if (!open_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard<std::mutex> guard(Lock);
    const RtuResult result = Request(slave, drive::FunctionReadInputRegisters, 0, drive::StateCount,
                                     RegisterReplyLength(drive::StateCount));
    if (result == RTU_OK) UnpackRegisters(RxFrame, values, drive::StateCount);
    return result;
}

RtuResult CModbusPort::ReadFirstInputRegisters(uint8_t slave, uint16_t* values, int quantity) {
    return ReadFirstInputRegisters(slave, values, quantity, std::chrono::milliseconds::zero());
}

RtuResult CModbusPort::ReadFirstInputRegisters(uint8_t slave, uint16_t* values, int quantity,
                                               std::chrono::milliseconds replyTimeout) {
    if (!open_.load()) return RTU_ERR_NOT_OPEN;
    if (quantity < 1 || quantity > drive::StateCount) return RTU_ERR_FRAME;
    std::lock_guard<std::mutex> guard(Lock);
    const bool serial = kind_.load() == LineKind::Serial && replyTimeout > std::chrono::milliseconds::zero();
    if (serial) {
        SerialTimeouts shortened = replyTimeouts_;
        shortened.readTotalPerByte = std::chrono::milliseconds(0);
        shortened.readTotalConstant = replyTimeout;
        shortened.readInterval = std::min(shortened.readInterval, replyTimeout);
        Handle->SetTimeouts(shortened);
    }
    const RtuResult result = Request(slave, drive::FunctionReadInputRegisters, 0,
                                     static_cast<uint16_t>(quantity), RegisterReplyLength(quantity));
    if (serial) Handle->SetTimeouts(replyTimeouts_);
    if (result == RTU_OK) UnpackRegisters(RxFrame, values, quantity);
    return result;
}

RtuResult CModbusPort::WriteSingleCoil(uint8_t slave, uint16_t coil, bool on) {
    if (!open_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard<std::mutex> guard(Lock);
    return Request(slave, drive::FunctionWriteSingleCoil, coil, on ? drive::CoilOn : drive::CoilOff,
                   kRequestLength);
}

RtuResult CModbusPort::WriteSingleRegister(uint8_t slave, uint16_t reg, uint16_t value) {
    if (!open_.load()) return RTU_ERR_NOT_OPEN;
    std::lock_guard<std::mutex> guard(Lock);
    return Request(slave, drive::FunctionWriteSingleRegister, reg, value, kRequestLength);
}

} // namespace velt
