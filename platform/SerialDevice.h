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
#include <utility>
#include <vector>

namespace velt {

// Why a serial device did not open. The message of a failed connect is
// built from it (link/PortOpenText.h).
enum class OpenFailure {
    None,             // it opened, or no open was tried
    NoDevice,         // no such device: unplugged, or a name that is not there
    PermissionDenied, // this user may not open it
    InUse,            // another program, or this one, holds it
    BaudRefused,      // it opened, but the line refused the bit rate
    NotSerial,        // it is no serial line
    Other,            // anything else; systemText tells
    // Network lines ("tcp://HOST:PORT", "rtu-tcp://HOST:PORT"):
    BadName,        // the name is malformed (no host, a bad port)
    HostNotFound,   // the resolver knows no such host
    Refused,        // nobody accepts connections on that port
    ConnectTimeout, // no answer to the connect (or the resolution) in time
};

struct SerialOpenError {
    OpenFailure kind = OpenFailure::None;
    std::string device; // what was opened, after COM names were resolved
    std::string group;  // PermissionDenied (POSIX): the group the device lets read and write; may be empty
    std::string user;   // PermissionDenied (POSIX): this user's login name
    long holderPid = 0; // InUse: the process that holds it, where the system tells; 0 unknown
    std::string holderName; // InUse: that process's name, where known
    uint32_t baudRate = 0;  // BaudRefused: the rate the line refused
    std::string systemText; // the system's own words for the failure; may be empty
};

inline SerialOpenError MakeOpenError(OpenFailure kind, std::string device) {
    SerialOpenError e;
    e.kind = kind;
    e.device = std::move(device);
    return e;
}

// Why the last Write or Read of a network line failed or was refused; a
// serial line never reports one.
enum class LineFault {
    None,
    Closed,              // the peer closed the connection
    Reset,               // the connection was reset or broke (systemText)
    TransactionMismatch, // a reply to no request of ours
    ProtocolMismatch,    // a header whose protocol field is not Modbus (0)
    LengthMismatch,      // a header length that no reply can have
};

struct LineError {
    LineFault kind = LineFault::None;
    std::string systemText;
};

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

// A serial line as the Modbus master drives it. SerialDevice is the real one;
// tests and the fuzzer stand in lines of their own (CModbusPort takes one in
// its constructor). The contracts below hold for every implementation.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    // Opens the device for reading and writing, shared with nobody: a device
    // that this or another process holds open fails. COM names ("COM3",
    // "\\.\COM12") are resolved by the platform (ResolvePortName on POSIX).
    // Also sizes the driver queues (4096 bytes each way) where it can.
    // False when the device is missing, busy or not usable; nothing is left
    // open then.
    virtual bool Open(const std::string& name) = 0;
    // Discards everything queued in both directions and aborts pending I/O.
    virtual void Purge() = 0;
    // Discards the bytes received and not yet read.
    virtual void DiscardInput() = 0;
    // The number of bytes received and not yet read (0 where the line cannot
    // tell). Used only to count late replies before they are discarded.
    virtual long QueuedInput() { return 0; }
    // Stores the timeouts for later reads and writes. False when the driver
    // refuses them (callers may ignore it).
    virtual bool SetTimeouts(const SerialTimeouts& timeouts) = 0;
    // Raw 8 data bits, no parity, 1 stop bit, no flow control, DTR and RTS
    // on, at the given bit rate. False when the driver refuses the settings
    // (for example a rate it does not support); the device stays open.
    virtual bool Configure(uint32_t baudRate) = 0;
    // Writes count bytes. Returns the number written (fewer when the write
    // timed out), or -1 when the write call failed.
    virtual long Write(const uint8_t* bytes, size_t count) = 0;
    // Reads up to count bytes under the timeouts. Returns the number read
    // (0 when nothing arrived), or -1 when the read call failed.
    virtual long Read(uint8_t* bytes, size_t count) = 0;
    // Stops event reporting on the device (Win32 SetCommMask 0).
    virtual void ClearEventMask() = 0;
    // Releases the device; harmless when closed.
    virtual void Close() = 0;

    // Why the last Open failed; kind None after a successful one. Lines
    // that cannot tell report None.
    virtual SerialOpenError LastOpenError() const { return {}; }
    // Remembers the line settings the device has now (speed, format, flow
    // control), and puts them back, so that a user of the line that only
    // looks (the drive scan) leaves it as it found it. False where the line
    // cannot do this, or when nothing was remembered.
    virtual bool SaveLineSettings() { return false; }
    virtual bool RestoreLineSettings() { return false; }
    // Why the last Write or Read failed or was refused (network lines);
    // kind None after one that went well.
    virtual LineError LastFault() const { return {}; }
    // The replies to earlier requests the line recognised and threw away
    // since the last call (network lines that number their requests).
    virtual long TakeLateReplies() { return 0; }
};

// The platform's serial device.
class SerialDevice final : public SerialLine {
public:
    SerialDevice() = default;
    ~SerialDevice() override; // closes
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    bool Open(const std::string& name) override;
    void Purge() override;
    void DiscardInput() override;
    long QueuedInput() override;
    bool SetTimeouts(const SerialTimeouts& timeouts) override;
    bool Configure(uint32_t baudRate) override;
    long Write(const uint8_t* bytes, size_t count) override;
    long Read(uint8_t* bytes, size_t count) override;
    void ClearEventMask() override;
    void Close() override;
    SerialOpenError LastOpenError() const override { return lastError_; }
    bool SaveLineSettings() override;
    bool RestoreLineSettings() override;
    bool IsOpen() const { return handle_ != kInvalid; }

private:
    static constexpr intptr_t kInvalid = -1;
    // File descriptor (POSIX) or HANDLE (Win32); kInvalid when closed.
    intptr_t handle_ = kInvalid;
    SerialTimeouts timeouts_;
    SerialOpenError lastError_;
    // The settings SaveLineSettings took, as the platform keeps them
    // (termios2, termios or a DCB); empty when none were taken.
    std::vector<uint8_t> savedLine_;
};

} // namespace velt
