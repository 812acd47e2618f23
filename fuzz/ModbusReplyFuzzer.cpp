// The Modbus master's handling of replies: the real CModbusPort runs its six
// requests over a ScriptedLine that plays the fuzzed reply bytes, in pieces
// and with pauses, and every result is checked against the reply it got.
//
// Input: exchanges, one after the other, each
//   op        1 byte: bits 0-2 the request (kRequests; 7: a request on the
//             closed port, bits 5-7 say which), bits 3-4 the slave (kSlaves)
//   address   2 bytes: start, coil or register address
//   value     2 bytes: register value; coil on when non-zero; for
//             ReadHoldingRegisters the low byte gives the quantity
//             (kQuantities, also invalid ones)
//   line      1 byte: bits 0-1 the write (0/1 whole, 2 short, 3 failed),
//             bit 2 a failed read, bit 3 the first arrival is already
//             waiting before the request, bit 4 the reply ends with its
//             good CRC, bits 5-7 bytes a short write misses
//   arrivals  pause (1 byte, x 5 ms) and length (1 byte), then the bytes;
//             a length of 0 ends the list
#include "FuzzSupport.h"
#include "ScriptedLine.h"
#include "link/CModbusPort.h"
#include "link/DriveMap.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace velt::fuzz {
namespace {

using namespace std::chrono_literals;

enum class Request : uint8_t { Coils, Inputs, Holding, InputRegs, WriteCoil, WriteRegister };
constexpr Request kRequests[7] = {Request::Coils,     Request::Inputs,    Request::Holding,
                                  Request::InputRegs, Request::WriteCoil, Request::WriteRegister,
                                  Request::Holding};
constexpr uint8_t kSlaves[4] = {1, 0, 17, 255};
constexpr int kMaxExchanges = 32;
constexpr uint8_t kCanary8 = 0xA5;
constexpr uint16_t kCanary16 = 0xBEEF;

struct Exchange {
    Request request = Request::Coils;
    bool closed = false; // the port is closed for this one
    uint8_t slave = 1;
    uint16_t address = 0;
    uint16_t value = 0;
    int quantity = 0; // ReadHoldingRegisters only

    uint8_t Function() const {
        constexpr uint8_t kFunctions[6] = {drive::FunctionReadCoils,
                                           drive::FunctionReadDiscreteInputs,
                                           drive::FunctionReadHoldingRegisters,
                                           drive::FunctionReadInputRegisters,
                                           drive::FunctionWriteSingleCoil,
                                           drive::FunctionWriteSingleRegister};
        return kFunctions[static_cast<int>(request)];
    }
    bool ReadsBits() const { return request == Request::Coils || request == Request::Inputs; }
    bool ReadsRegisters() const { return request == Request::Holding || request == Request::InputRegs; }
    int Outputs() const {
        return ReadsBits()                     ? drive::BitCount
               : request == Request::InputRegs ? drive::StateCount
               : request == Request::Holding   ? quantity
                                               : 0;
    }
    bool QuantityOk() const {
        return request != Request::Holding || (quantity >= 1 && quantity <= drive::MaxReadRegisters);
    }
    int ReplyLength() const { return ReadsBits() ? 7 : ReadsRegisters() ? 5 + 2 * Outputs() : 8; }
    // The address and value fields of the request frame.
    uint16_t AddressField() const {
        const bool addressed =
            request == Request::Holding || request == Request::WriteCoil || request == Request::WriteRegister;
        return addressed ? address : 0;
    }
    uint16_t ValueField() const {
        switch (request) {
        case Request::Coils:
        case Request::Inputs:
            return drive::BitCount;
        case Request::Holding:
            return static_cast<uint16_t>(quantity);
        case Request::InputRegs:
            return drive::StateCount;
        case Request::WriteCoil:
            return value != 0 ? drive::CoilOn : drive::CoilOff;
        case Request::WriteRegister:
            return value;
        }
        return 0;
    }
};

// 0..200 as they are (above MaxReadRegisters too many), above that negative.
int QuantityOf(uint8_t b) {
    return b <= 200 ? b : 200 - b;
}

Exchange ReadExchange(ByteReader& in) {
    Exchange x;
    const uint8_t op = in.Byte();
    x.closed = (op & 7) == 7;
    x.request = kRequests[x.closed ? (op >> 5) % 6 : op & 7];
    x.slave = kSlaves[(op >> 3) & 3];
    x.address = in.Word();
    x.value = in.Word();
    x.quantity = QuantityOf(static_cast<uint8_t>(x.value & 0xFF));
    return x;
}

// Scripts the line for one exchange; true when its read is to fail.
bool ScriptLine(ByteReader& in, ScriptedLine& line) {
    const uint8_t how = in.Byte();
    const auto mode = (how & 3) == 2   ? ScriptedLine::WriteMode::Short
                      : (how & 3) == 3 ? ScriptedLine::WriteMode::Fail
                                       : ScriptedLine::WriteMode::Whole;
    line.NextExchange(mode, how >> 5, (how & 4) != 0);
    bool stale = (how & 8) != 0;
    while (!in.Empty()) {
        const auto pause = std::chrono::milliseconds(5 * in.Byte());
        const uint8_t length = in.Byte();
        if (length == 0) break;
        const std::string_view bytes = in.Bytes(length);
        if (std::exchange(stale, false))
            line.QueueStale(bytes);
        else
            line.ScriptReply(pause, bytes);
    }
    if ((how & 0x10) != 0) line.SealReply();
    return (how & 4) != 0;
}

RtuResult Run(CModbusPort& port, const Exchange& x, uint8_t* bits, uint16_t* regs) {
    switch (x.request) {
    case Request::Coils:
        return port.ReadCoils(x.slave, bits);
    case Request::Inputs:
        return port.ReadDiscreteInputs(x.slave, bits);
    case Request::Holding:
        return port.ReadHoldingRegisters(x.slave, x.address, regs, x.quantity);
    case Request::InputRegs:
        return port.ReadInputRegisters(x.slave, regs);
    case Request::WriteCoil:
        return port.WriteSingleCoil(x.slave, x.address, x.value != 0);
    case Request::WriteRegister:
        return port.WriteSingleRegister(x.slave, x.address, x.value);
    }
    return RTU_OK;
}

// The result the reply checks must give for the bytes the read returned.
RtuResult ExpectedFromReply(const Exchange& x, const std::vector<uint8_t>& rx) {
    const size_t r = rx.size();
    if (r < 2) return RTU_ERR_NO_REPLY;
    if (Crc16(rx.data(), r - 2) != (rx[r - 2] | rx[r - 1] << 8)) return RTU_ERR_CRC;
    if (rx[0] != x.slave || (rx[1] & ~drive::ExceptionBit) != x.Function()) return RTU_ERR_FRAME;
    if ((rx[1] & drive::ExceptionBit) == 0) {
        if (r != static_cast<size_t>(x.ReplyLength())) return RTU_ERR_FRAME;
        // A write is confirmed only by the echo of its own request.
        const bool write = x.request == Request::WriteCoil || x.request == Request::WriteRegister;
        const bool echo = (rx[2] << 8 | rx[3]) == x.AddressField() && (rx[4] << 8 | rx[5]) == x.ValueField();
        return write && !echo ? RTU_ERR_FRAME : RTU_OK;
    }
    if (r != 5 || rx[2] == 0) return RTU_ERR_FRAME; // Modbus has no exception 0
    return RtuResult::Exception(rx[2]);
}

void CheckRequestFrame(const Exchange& x, const ScriptedLine& line, const CModbusPort& port) {
    const std::vector<uint8_t>& w = line.Written();
    VELT_FUZZ_CHECK(w.size() <= 8);
    VELT_FUZZ_CHECK(std::equal(w.begin(), w.end(), port.TxFrame));
    const uint8_t* tx = port.TxFrame;
    VELT_FUZZ_CHECK(tx[0] == x.slave && tx[1] == x.Function());
    VELT_FUZZ_CHECK((tx[2] << 8 | tx[3]) == x.AddressField());
    VELT_FUZZ_CHECK((tx[4] << 8 | tx[5]) == x.ValueField());
    VELT_FUZZ_CHECK(Crc16(tx, 6) == (tx[6] | tx[7] << 8));
}

// Outputs hold the decoded reply after RTU_OK and are untouched otherwise.
void CheckOutputs(const Exchange& x, RtuResult result, const CModbusPort& port, const uint8_t* bits,
                  const uint16_t* regs, int regCount) {
    const uint8_t* rx = port.RxFrame;
    for (int i = 0; i < drive::BitCount; ++i) {
        const bool decoded = result == RTU_OK && x.ReadsBits();
        VELT_FUZZ_CHECK(bits[i] == (decoded ? (rx[3 + i / 8] >> (i % 8)) & 1 : kCanary8));
    }
    for (int i = 0; i < regCount; ++i) {
        const bool decoded = result == RTU_OK && x.ReadsRegisters();
        VELT_FUZZ_CHECK(regs[i] == (decoded ? rx[3 + 2 * i] << 8 | rx[4 + 2 * i] : kCanary16));
    }
}

void CheckExchange(const Exchange& x, RtuResult result, const ScriptedLine& line, size_t writesBefore,
                   bool readFailed, const CModbusPort& port) {
    const bool wrote = line.Writes() > writesBefore;
    if (x.closed || !x.QuantityOk()) {
        VELT_FUZZ_CHECK(result == (x.closed ? RTU_ERR_NOT_OPEN : RTU_ERR_FRAME));
        VELT_FUZZ_CHECK(!wrote); // refused before anything is sent
        return;
    }
    VELT_FUZZ_CHECK(wrote);
    CheckRequestFrame(x, line, port);
    if (line.Written().size() != 8) {
        VELT_FUZZ_CHECK(result == RTU_ERR_WRITE && port.TxCount == 0);
        return;
    }
    VELT_FUZZ_CHECK(port.TxCount == 8);
    if (x.slave == 0) {
        VELT_FUZZ_CHECK(result == RTU_BROADCAST && port.RxCount == 0);
        return;
    }
    if (readFailed) {
        VELT_FUZZ_CHECK(result == RTU_ERR_READ && port.RxCount == 0);
        return;
    }
    const std::vector<uint8_t>& rx = line.ReplyRead();
    VELT_FUZZ_CHECK(rx.size() <= static_cast<size_t>(x.ReplyLength()));
    VELT_FUZZ_CHECK(port.RxCount == (rx.size() >= 2 ? rx.size() : 0));
    VELT_FUZZ_CHECK(std::equal(rx.begin(), rx.begin() + port.RxCount, port.RxFrame));
    VELT_FUZZ_CHECK(result == ExpectedFromReply(x, rx));
}

// The trace sees every exchange; it may read all the bytes it is given.
void Trace(void*, bool tx, const uint8_t* bytes, size_t count) {
    VELT_FUZZ_CHECK(count <= (tx ? 8u : 256u));
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += bytes[i];
    static_cast<void>(sum);
}

} // namespace
} // namespace velt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt;
    using namespace velt::fuzz;
    auto owned = std::make_unique<ScriptedLine>();
    ScriptedLine& line = *owned;
    CModbusPort port(std::move(owned));
    VELT_FUZZ_CHECK(port.OpenDevice("COM1", 9600));
    port.SetTrace(&Trace, nullptr);
    ByteReader in(data, size);
    for (int n = 0; n < kMaxExchanges && !in.Empty(); ++n) {
        const Exchange x = ReadExchange(in);
        const bool readFails = ScriptLine(in, line);
        // Exact sizes, so that a write past the end is caught.
        auto bits = std::make_unique<uint8_t[]>(drive::BitCount);
        const int regCount = std::max(x.Outputs(), 1);
        auto regs = std::make_unique<uint16_t[]>(static_cast<size_t>(regCount));
        std::fill_n(bits.get(), drive::BitCount, kCanary8);
        std::fill_n(regs.get(), regCount, kCanary16);
        if (x.closed) port.ClosePort();
        const size_t writesBefore = line.Writes();
        const RtuResult result = Run(port, x, bits.get(), regs.get());
        CheckExchange(x, result, line, writesBefore, readFails, port);
        CheckOutputs(x, result, port, bits.get(), regs.get(), regCount);
        if (x.closed) VELT_FUZZ_CHECK(port.OpenDevice("COM1", 9600));
    }
    return 0;
}
