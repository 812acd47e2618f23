#pragma once
// The name of the line a drive is reached by, as the user types it wherever a
// port is named: a serial device ("COM3", "/dev/ttyUSB0"), or a network line
// to a gateway: "tcp://HOST:PORT" (Modbus TCP) or "rtu-tcp://HOST:PORT" (RTU
// frames carried raw over TCP). PORT defaults to 502; HOST may be a name, an
// IPv4 address or a bracketed IPv6 address ("tcp://[::1]:1502").
#include <cstdint>
#include <string>

namespace velt {

enum class LineKind { Serial, ModbusTcp, RtuOverTcp };

enum class LineNameFault {
    None,
    MissingHost, // "tcp://" or "tcp://:502"
    BadPort,     // not a number, or something after it
    PortRange,   // a number outside 1..65535
};

struct LineName {
    LineKind Kind = LineKind::Serial;
    std::string Host; // network lines only
    uint16_t Port = 0;
    LineNameFault Fault = LineNameFault::None;
    bool Valid() const { return Fault == LineNameFault::None; }
};

inline constexpr uint16_t kDefaultModbusTcpPort = 502;

// Never throws; a serial name comes back as LineKind::Serial untouched.
LineName ParseLineName(const std::string& name);

// True when the name starts like a network line ("tcp://", "rtu-tcp://"),
// whether or not the rest is valid.
bool IsNetworkLineName(const std::string& name);

} // namespace velt
