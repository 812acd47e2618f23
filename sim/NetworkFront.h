#pragma once
// A network gateway in front of the simulated drive: listens on loopback and
// serves one master at a time, passing each request to the drive's
// pseudo-terminal as a master on the serial side would and the reply back.
//  - ModbusTcp: MBAP frames on the network, RTU on the serial side; a
//    request to another unit than the drive's, or one the drive does not
//    answer, gets exception 11 (the target did not respond), as gateways do.
//  - RtuOverTcp: RTU frames, CRC included, both ways (a serial device
//    server); nothing is sent for a request the drive does not answer.
// Requests are the 8-byte ones of functions 1 to 6.
//
// Start, Stop, SetLatency and Drop may be called from any thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velt::sim {

enum class FrontKind { ModbusTcp, RtuOverTcp };

class NetworkFront {
public:
    // device: the drive's pseudo-terminal; baud: the drive's own rate.
    NetworkFront(FrontKind kind, std::string device, uint32_t baud, std::vector<uint8_t> ids);
    ~NetworkFront(); // Stop()
    NetworkFront(const NetworkFront&) = delete;
    NetworkFront& operator=(const NetworkFront&) = delete;

    // Listens on 127.0.0.1:port (0: a free port, Port() tells) and serves.
    bool Start(uint16_t port, std::string* error = nullptr);
    void Stop();
    uint16_t Port() const;
    // Added before each reply is sent; 0 = none.
    void SetLatencyMs(int ms);
    // Closes the connection of the master now served (it may connect again).
    void Drop();
    // The control lines of the front ("latency MS", "drop"); false for any
    // other line, which is then the drive's.
    bool ApplyControlLine(const std::string& line);
    static const char* Help();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velt::sim
