#pragma once
// One serial device, opened exclusively and driven synchronously. CMake picks
// the backend: serial_posix.cpp (termios) or serial_win32.cpp (Win32 comm).
//
// Not thread-safe: the owner (CModbusPort) serialises transactions under its
// Lock and never closes the device while a transaction runs.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velt {

// The comm timeouts of the line, with the meaning of Win32 COMMTIMEOUTS:
// a read of n bytes ends when n bytes have arrived, when more than
// readInterval passes between two bytes (after the first one), or after
// readTotalConstant + n * readTotalPerByte in all; a write of n bytes gives
// up after writeTotalConstant + n * writeTotalPerByte.
struct SerialTimeouts {
    std::chrono::milliseconds readInterval{100};
    std::chrono::milliseconds readTotalPerByte{1};
    std::chrono::milliseconds readTotalConstant{1000};
    std::chrono::milliseconds writeTotalPerByte{100};
    std::chrono::milliseconds writeTotalConstant{1000};
};

class SerialDevice {
public:
    SerialDevice() = default;
    ~SerialDevice(); // closes
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens the device for reading and writing, shared with nobody: a device
    // that this or another process holds open fails. COM names ("COM3",
    // "\\.\COM12") are resolved by the platform (ResolvePortName on POSIX).
    // Also sizes the driver queues (4096 bytes each way) where it can.
    // False when the device is missing, busy or not usable; nothing is left
    // open then.
    bool Open(const std::string& name);
    // Discards everything queued in both directions and aborts pending I/O.
    void Purge();
    // Discards the bytes received and not yet read.
    void DiscardInput();
    // Stores the timeouts for later reads and writes. False when the driver
    // refuses them (callers may ignore it).
    bool SetTimeouts(const SerialTimeouts& timeouts);
    // Raw 8 data bits, no parity, 1 stop bit, no flow control, DTR and RTS
    // on, at the given bit rate. False when the driver refuses the settings
    // (for example a rate it does not support); the device stays open.
    bool Configure(uint32_t baudRate);
    // Writes count bytes. Returns the number written (fewer when the write
    // timed out), or -1 when the write call failed.
    long Write(const uint8_t* bytes, size_t count);
    // Reads up to count bytes under the timeouts. Returns the number read
    // (0 when nothing arrived), or -1 when the read call failed.
    long Read(uint8_t* bytes, size_t count);
    // Stops event reporting on the device (Win32 SetCommMask 0).
    void ClearEventMask();
    // Releases the device; harmless when closed.
    void Close();
    bool IsOpen() const { return handle_ != kInvalid; }

private:
    static constexpr intptr_t kInvalid = -1;
    // File descriptor (POSIX) or HANDLE (Win32); kInvalid when closed.
    intptr_t handle_ = kInvalid;
    SerialTimeouts timeouts_;
};

} // namespace velt
