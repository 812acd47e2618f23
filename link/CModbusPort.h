#pragma once
// The one object that touches the serial line: a COM port configured for
// Modbus RTU (8N1, no flow control) and the single-transaction Modbus master
// that uses it. One request at a time; every request holds Lock from building
// the frame to unpacking the reply.
#include "DriveMap.h"
#include "ExchangeJournal.h"
#include "LineName.h"
#include "RtuResult.h"
#include "platform/SerialDevice.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace velt {

// Standard Modbus CRC-16 (init 0xFFFF, reflected poly 0xA001), bit by bit.
uint16_t Crc16(const uint8_t* data, size_t length);

// The name COM<portNumber> is opened by: "COM%d" below 10, "\\.\COM%d"
// from 10 on (the platform layer resolves both).
std::string ComDeviceName(int portNumber);

// Network lines (LineName.h): the time allowed to resolve the host and
// connect, and the reply time-out, longer than a serial line's for the same
// request (1000 ms + 1 ms a byte) by the gateway's own round trip.
inline constexpr std::chrono::milliseconds kNetworkConnectTimeout{3000};
inline constexpr std::chrono::milliseconds kNetworkReplyTimeout{1500};

class CModbusPort {
public:
    // On the platform's serial device.
    CModbusPort();
    // On a line of the caller's (tests, fuzzing); never null.
    explicit CModbusPort(std::unique_ptr<SerialLine> line);
    ~CModbusPort();
    CModbusPort(const CModbusPort&) = delete;
    CModbusPort& operator=(const CModbusPort&) = delete;

    // Opens COM<portNumber> ("COM%d" below 10, "\\.\COM%d" from 10 on; the
    // platform layer resolves the name). False on failure (LastOpenError says
    // why); fails at once without side effects when already open.
    bool OpenPort(uint8_t portNumber, uint32_t baudRate);
    // Same, with an explicit device name or path (velt-cli --port, tests),
    // or a network line name ("tcp://HOST:PORT", "rtu-tcp://HOST:PORT"):
    // the port then connects to the gateway (the bit rate does not apply
    // and Baud reads 0). A port made on a caller's line uses that line for
    // every name.
    bool OpenDevice(const std::string& deviceName, uint32_t baudRate);
    // Closes if open; harmless when closed. Must not run while another
    // thread is inside a transaction on this port.
    void ClosePort();
    // Why the last OpenPort or OpenDevice failed (kind None after one that
    // succeeded). Read by the thread that opened, after the open.
    SerialOpenError LastOpenError() const { return openError_; }

    // The six requests. Outputs are written only on RTU_OK.
    RtuResult ReadCoils(uint8_t slave, uint8_t coils[drive::BitCount]);
    RtuResult ReadDiscreteInputs(uint8_t slave, uint8_t inputs[drive::BitCount]);
    RtuResult ReadHoldingRegisters(uint8_t slave, uint16_t start, uint16_t* values, int quantity);
    RtuResult ReadInputRegisters(uint8_t slave, uint16_t values[drive::StateCount]);
    // The first `quantity` state registers (1..StateCount).
    RtuResult ReadFirstInputRegisters(uint8_t slave, uint16_t* values, int quantity);
    // The same, waiting at most `replyTimeout` for the reply on a serial
    // line (a network line, and a zero time-out, keep the line's own): a
    // drive that may well be silent then holds the line that long instead
    // of a second. The line's own time-outs are in force again for the next
    // request.
    RtuResult ReadFirstInputRegisters(uint8_t slave, uint16_t* values, int quantity,
                                      std::chrono::milliseconds replyTimeout);
    RtuResult WriteSingleCoil(uint8_t slave, uint16_t coil, bool on);
    RtuResult WriteSingleRegister(uint8_t slave, uint16_t reg, uint16_t value);

    // Optional trace of every exchange (velt-cli --trace): called inside the
    // transaction, under Lock, with the bytes written (tx) and read (!tx).
    using TraceFn = void (*)(void* context, bool tx, const uint8_t* bytes, size_t count);
    void SetTrace(TraceFn fn, void* context);

    // Where every exchange is recorded for the link health figures (none by
    // default). Set before the first request; the journal must outlive the port.
    void SetJournal(ExchangeJournal* journal) { journal_ = journal; }

    // The name the last successful open was given (a COM name or a device
    // path) and its bit rate; any thread.
    std::string OpenedDevice() const;
    std::atomic<uint32_t> Baud{0};

    // The kind of line the last open reached or tried; any thread.
    LineKind Kind() const { return kind_.load(); }
    // Why the last request failed on a network line (a dropped connection,
    // a reply to no request of ours, ...); kind None otherwise. Read under
    // Lock, or by the thread that made the request.
    LineError LastLineFault() const { return lineFault_; }

    // Any thread, without a lock: true while open.
    bool IsOpen() const { return open_.load(); }
    // Last exchange; valid for the caller that holds the request order
    // (the drive link reads them under its own lock right after a request).
    uint8_t TxFrame[256]{};
    uint8_t RxFrame[256]{};
    uint16_t TxCount = 0;
    uint16_t RxCount = 0;
    std::mutex Lock;

private:
    RtuResult Transact(int requestLength, int expectedReplyLength);
    // True when it threw away bytes of a late reply.
    bool DrainLateBytes();
    RtuResult Request(uint8_t slave, uint8_t function, uint16_t address, uint16_t value,
                      int expectedReplyLength);

    // Puts the platform line that fits the name in place (ownsLine_ only).
    void ChooseLine(LineKind kind);
    RtuResult Exchange(int requestLength, int expectedReplyLength, long& written, long& got);

    std::unique_ptr<SerialLine> Handle;
    bool ownsLine_ = false; // Handle is the platform's, chosen by name
    std::atomic<LineKind> kind_{LineKind::Serial};
    SerialTimeouts replyTimeouts_;
    LineError lineFault_;
    std::atomic<bool> open_{false};
    TraceFn traceFn_ = nullptr;
    void* traceContext_ = nullptr;
    ExchangeJournal* journal_ = nullptr;
    mutable std::mutex deviceLock_; // guards openedDevice_ only
    std::string openedDevice_;
    SerialOpenError openError_;
};

} // namespace velt
