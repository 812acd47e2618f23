#pragma once
// How a Modbus request ended. A drive exception (any code 1 to 255 the drive
// or a gateway sends back) and a failure of our own side of the line (no
// reply, bad CRC, port closed, ...) are different kinds, so an exception 10
// or 11 is never taken for a CRC error or a silent drive. Code() gives the one
// byte the frame texts and velt-cli's exit codes have always used: 0, the
// exception code, or 10..16 for the local failures.
#include <cstdint>
#include <iosfwd>
#include <string>

namespace velt {

// Failures on our side of the line; the values are their one-byte codes.
enum class LocalFailure : uint8_t {
    Crc = 10,     // the reply's CRC does not match
    NoReply = 11, // fewer than 2 bytes before the read timed out
    Read = 12,    // the read call itself failed
    Write = 13,   // the write failed or was short
    Frame = 14,   // another slave, another function, a wrong length or write echo
    NotOpen = 15, // the port is not open; nothing was sent
};

class RtuResult {
public:
    enum class Kind : uint8_t { Ok, Exception, Local, Broadcast };

    constexpr RtuResult() = default; // success
    static constexpr RtuResult Success() { return {}; }
    // The drive's exception code as received (1..255; Modbus has no 0).
    static constexpr RtuResult Exception(uint8_t code) { return {Kind::Exception, code}; }
    static constexpr RtuResult Local(LocalFailure failure) {
        return {Kind::Local, static_cast<uint8_t>(failure)};
    }
    // Sent to address 0: nobody answers a broadcast, so no reply was read.
    static constexpr RtuResult Broadcast() { return {Kind::Broadcast, 16}; }
    // The one-byte form back into a result (journal records, fuzzing): 10..16
    // are read as the local failures, 1..9 and 17..255 as exceptions.
    static constexpr RtuResult FromCode(uint8_t code);

    constexpr Kind kind() const { return kind_; }
    constexpr bool IsOk() const { return kind_ == Kind::Ok; }
    constexpr bool IsException() const { return kind_ == Kind::Exception; }
    constexpr bool IsLocal() const { return kind_ == Kind::Local; }
    constexpr bool IsBroadcast() const { return kind_ == Kind::Broadcast; }
    constexpr bool Is(LocalFailure failure) const {
        return kind_ == Kind::Local && value_ == static_cast<uint8_t>(failure);
    }
    // The exception code (0 unless IsException).
    constexpr uint8_t ExceptionCode() const { return IsException() ? value_ : 0; }
    constexpr uint8_t Code() const { return value_; }

    constexpr bool operator==(const RtuResult&) const = default;

private:
    constexpr RtuResult(Kind kind, uint8_t value) : kind_(kind), value_(value) {}
    Kind kind_ = Kind::Ok;
    uint8_t value_ = 0;
};

constexpr RtuResult RtuResult::FromCode(uint8_t code) {
    if (code == 0) return Success();
    if (code == 16) return Broadcast();
    if (code >= 10 && code <= 15) return Local(static_cast<LocalFailure>(code));
    return Exception(code);
}

inline constexpr RtuResult RTU_OK = RtuResult::Success();
inline constexpr RtuResult RTU_ERR_CRC = RtuResult::Local(LocalFailure::Crc);
inline constexpr RtuResult RTU_ERR_NO_REPLY = RtuResult::Local(LocalFailure::NoReply);
inline constexpr RtuResult RTU_ERR_READ = RtuResult::Local(LocalFailure::Read);
inline constexpr RtuResult RTU_ERR_WRITE = RtuResult::Local(LocalFailure::Write);
inline constexpr RtuResult RTU_ERR_FRAME = RtuResult::Local(LocalFailure::Frame);
inline constexpr RtuResult RTU_ERR_NOT_OPEN = RtuResult::Local(LocalFailure::NotOpen);
inline constexpr RtuResult RTU_BROADCAST = RtuResult::Broadcast();

// "RTU_OK", "RTU_ERR_CRC", ...; nullptr for a drive exception.
const char* RtuResultName(RtuResult result);
// For messages and the CLI: "RTU_ERR_NO_REPLY (11)" or "drive exception 2".
std::string DescribeRtuResult(RtuResult result);
// DescribeRtuResult on a stream (test failures, logs).
std::ostream& operator<<(std::ostream& out, RtuResult result);

} // namespace velt
