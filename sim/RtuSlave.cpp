#include "RtuSlave.h"

#include "DriveModel.h"
#include "link/CModbusPort.h"
#include "link/DriveMap.h"

namespace velt::sim {
namespace {

// Largest number of bits one request may ask for (Modbus application protocol).
constexpr int kMaxReadBits = 2000;
constexpr size_t kRequestLength = 8; // every function 1..6 request

uint16_t Word(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

void PutWord(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v & 0xFF));
}

std::vector<uint8_t> Exception(const uint8_t* frame, uint8_t code) {
    return {frame[0], static_cast<uint8_t>(frame[1] | drive::ExceptionBit), code};
}

// 0 when [start, start + quantity) lies within a map of `size` and the
// quantity is 1..max; else the exception code to answer.
uint8_t CheckRange(uint16_t start, uint16_t quantity, int max, int size) {
    if (quantity < 1 || quantity > max) return drive::ExceptionIllegalValue;
    if (static_cast<int>(start) + quantity > size) return drive::ExceptionIllegalAddress;
    return 0;
}

template <typename BitAt> std::vector<uint8_t> ReadBits(const uint8_t* frame, BitAt bitAt) {
    const uint16_t start = Word(frame + 2);
    const uint16_t quantity = Word(frame + 4);
    if (const uint8_t ex = CheckRange(start, quantity, kMaxReadBits, drive::BitCount))
        return Exception(frame, ex);
    const int bytes = (quantity + 7) / 8;
    std::vector<uint8_t> out{frame[0], frame[1], static_cast<uint8_t>(bytes)};
    out.resize(3 + bytes, 0);
    for (int i = 0; i < quantity; ++i)
        if (bitAt(start + i)) out[3 + i / 8] |= static_cast<uint8_t>(1u << (i % 8));
    return out;
}

template <typename WordAt> std::vector<uint8_t> ReadWords(const uint8_t* frame, int size, WordAt wordAt) {
    const uint16_t start = Word(frame + 2);
    const uint16_t quantity = Word(frame + 4);
    if (const uint8_t ex = CheckRange(start, quantity, drive::MaxReadRegisters, size))
        return Exception(frame, ex);
    std::vector<uint8_t> out{frame[0], frame[1], static_cast<uint8_t>(quantity * 2)};
    for (int i = 0; i < quantity; ++i)
        PutWord(out, wordAt(start + i));
    return out;
}

std::vector<uint8_t> Echo(const uint8_t* frame) {
    return {frame, frame + 6};
}

std::vector<uint8_t> Dispatch(DriveModel& model, const uint8_t* frame, size_t n) {
    const uint8_t function = frame[1];
    if (function < drive::FunctionReadCoils || function > drive::FunctionWriteSingleRegister)
        return Exception(frame, drive::ExceptionIllegalFunction);
    if (n != kRequestLength) return Exception(frame, drive::ExceptionIllegalValue);
    const uint16_t address = Word(frame + 2);
    const uint16_t value = Word(frame + 4);
    switch (function) {
    case drive::FunctionReadCoils:
        return ReadBits(frame, [&](int k) { return model.Coil(k); });
    case drive::FunctionReadDiscreteInputs:
        return ReadBits(frame, [&](int k) { return model.Input(k); });
    case drive::FunctionReadHoldingRegisters:
        return ReadWords(frame, drive::ParamCount, [&](int r) { return model.Holding(r); });
    case drive::FunctionReadInputRegisters:
        return ReadWords(frame, drive::StateCount, [&](int r) { return model.State(r); });
    case drive::FunctionWriteSingleCoil: {
        if (value != drive::CoilOn && value != drive::CoilOff)
            return Exception(frame, drive::ExceptionIllegalValue);
        if (address >= drive::BitCount) return Exception(frame, drive::ExceptionIllegalAddress);
        const uint8_t ex = model.WriteCoil(address, value == drive::CoilOn);
        return ex ? Exception(frame, ex) : Echo(frame);
    }
    default: { // FunctionWriteSingleRegister, the one function left
        if (address >= drive::ParamCount) return Exception(frame, drive::ExceptionIllegalAddress);
        const uint8_t ex = model.WriteHolding(address, value);
        return ex ? Exception(frame, ex) : Echo(frame);
    }
    }
}

} // namespace

std::vector<uint8_t> RtuSlave::Execute(DriveModel& model, const uint8_t* frame, size_t n) {
    std::vector<uint8_t> reply = Dispatch(model, frame, n);
    AppendCrc(reply);
    return reply;
}

void RtuSlave::AppendCrc(std::vector<uint8_t>& frame) {
    const uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

bool RtuSlave::CrcOk(const uint8_t* frame, size_t n) {
    if (n < 4) return false;
    const uint16_t crc = Crc16(frame, n - 2);
    return frame[n - 2] == (crc & 0xFF) && frame[n - 1] == (crc >> 8);
}

} // namespace velt::sim
