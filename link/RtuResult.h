#pragma once
// Result codes of every Modbus request and of the drive link's request
// operations. 0 is success; 1..9 (and any other value not listed) is the
// exception code the drive sent back, unchanged; 10..16 are local failures.
#include <cstdint>
#include <string>

namespace velt {

constexpr uint8_t RTU_OK = 0;
constexpr uint8_t RTU_ERR_CRC = 10;      // reply CRC does not match
constexpr uint8_t RTU_ERR_NO_REPLY = 11; // fewer than 2 bytes before the read timed out
constexpr uint8_t RTU_ERR_READ = 12;     // the read call itself failed
constexpr uint8_t RTU_ERR_WRITE = 13;    // the write failed or was short
constexpr uint8_t RTU_ERR_FRAME = 14;    // other slave, other function, wrong length
constexpr uint8_t RTU_ERR_NOT_OPEN = 15; // port not open; nothing sent
constexpr uint8_t RTU_BROADCAST = 16;    // sent to address 0; no reply read

// "RTU_OK", "RTU_ERR_CRC", ...; nullptr for a drive exception code.
const char* RtuResultName(uint8_t code);
// For messages and the CLI: "RTU_ERR_NO_REPLY (11)" or "drive exception 2".
std::string DescribeRtuResult(uint8_t code);

} // namespace velt
