// Win32 backend of SerialDevice: synchronous comm I/O whose timeouts the
// driver enforces through COMMTIMEOUTS.
#include "SerialDevice.h"

#include <windows.h>

#include <cstring>

namespace velt {

namespace {

constexpr DWORD kQueueBytes = 4096;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR; // 15
constexpr WORD kXonXoffLimit = 100;
constexpr char kXonChar = 0x11;
constexpr char kXoffChar = 0x13;

static_assert(sizeof(DCB) == 28, "DCBlength is 28 bytes");

HANDLE H(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

DWORD Ms(std::chrono::milliseconds ms) {
    return static_cast<DWORD>(ms.count());
}

// COM names and device paths are ASCII ("COM3", "\\.\COM12").
std::wstring Widen(const std::string& name) {
    return std::wstring(name.begin(), name.end());
}

// 8N1, binary, no hardware or software flow control, DTR and RTS on while
// open. Fields not named here keep what the driver reported.
void SetLineFields(DCB& dcb, uint32_t baudRate) {
    dcb.BaudRate = baudRate;
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = kXonXoffLimit;
    dcb.XoffLim = kXonXoffLimit;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = kXonChar;
    dcb.XoffChar = kXoffChar;
}

// What a failed CreateFileW means for the user. Windows keeps a COM port to
// the one program that opened it and answers any other with "access denied";
// it does not say which program that is.
SerialOpenError DescribeFailure(const std::string& name, DWORD error) {
    SerialOpenError e;
    e.device = name;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
        e.kind = OpenFailure::NoDevice;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        e.kind = OpenFailure::InUse;
        break;
    default:
        e.kind = OpenFailure::Other;
        e.systemText = "system error " + std::to_string(error);
        break;
    }
    return e;
}

} // namespace

SerialDevice::~SerialDevice() {
    Close();
}

bool SerialDevice::Open(const std::string& name) {
    if (IsOpen()) {
        lastError_ = MakeOpenError(OpenFailure::InUse, name);
        lastError_.holderPid = static_cast<long>(GetCurrentProcessId());
        return false;
    }
    lastError_ = {};
    savedLine_.clear();
    const HANDLE h = CreateFileW(Widen(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        lastError_ = DescribeFailure(name, GetLastError());
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    SetupComm(h, kQueueBytes, kQueueBytes);
    return true;
}

bool SerialDevice::SaveLineSettings() {
    if (!IsOpen()) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(H(handle_), &dcb)) return false;
    savedLine_.resize(sizeof dcb);
    std::memcpy(savedLine_.data(), &dcb, sizeof dcb);
    return true;
}

bool SerialDevice::RestoreLineSettings() {
    if (!IsOpen() || savedLine_.size() != sizeof(DCB)) return false;
    DCB dcb{};
    std::memcpy(&dcb, savedLine_.data(), sizeof dcb);
    return SetCommState(H(handle_), &dcb) != 0;
}

void SerialDevice::Purge() {
    if (IsOpen()) PurgeComm(H(handle_), kPurgeAll);
}

void SerialDevice::DiscardInput() {
    if (IsOpen()) PurgeComm(H(handle_), PURGE_RXCLEAR);
}

long SerialDevice::QueuedInput() {
    COMSTAT status{};
    DWORD errors = 0;
    if (!IsOpen() || !ClearCommError(H(handle_), &errors, &status)) return 0;
    return static_cast<long>(status.cbInQue);
}

bool SerialDevice::SetTimeouts(const SerialTimeouts& timeouts) {
    if (!IsOpen()) return false;
    timeouts_ = timeouts;
    COMMTIMEOUTS ct{};
    GetCommTimeouts(H(handle_), &ct);
    ct.ReadIntervalTimeout = Ms(timeouts.readInterval);
    ct.ReadTotalTimeoutMultiplier = Ms(timeouts.readTotalPerByte);
    ct.ReadTotalTimeoutConstant = Ms(timeouts.readTotalConstant);
    ct.WriteTotalTimeoutMultiplier = Ms(timeouts.writeTotalPerByte);
    ct.WriteTotalTimeoutConstant = Ms(timeouts.writeTotalConstant);
    return SetCommTimeouts(H(handle_), &ct) != 0;
}

bool SerialDevice::Configure(uint32_t baudRate) {
    if (!IsOpen()) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(H(handle_), &dcb)) return false;
    SetLineFields(dcb, baudRate);
    return SetCommState(H(handle_), &dcb) != 0;
}

long SerialDevice::Write(const uint8_t* bytes, size_t count) {
    if (!IsOpen()) return -1;
    DWORD written = 0;
    if (!WriteFile(H(handle_), bytes, static_cast<DWORD>(count), &written, nullptr)) return -1;
    return static_cast<long>(written);
}

long SerialDevice::Read(uint8_t* bytes, size_t count) {
    if (!IsOpen()) return -1;
    DWORD got = 0;
    if (!ReadFile(H(handle_), bytes, static_cast<DWORD>(count), &got, nullptr)) return -1;
    return static_cast<long>(got);
}

void SerialDevice::ClearEventMask() {
    if (IsOpen()) SetCommMask(H(handle_), 0);
}

void SerialDevice::Close() {
    if (!IsOpen()) return;
    const HANDLE h = H(handle_);
    handle_ = kInvalid;
    CloseHandle(h);
}

} // namespace velt
