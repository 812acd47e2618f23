#pragma once
// The libmodbus side of the benchmark, kept in its own file so that the
// benchmark builds without libmodbus (CMake picks libmodbus_absent.cpp).
#include <string>

namespace velt::bench {

// Runs `count` modbus_read_input_registers(slave 1, address 0, 32 registers)
// against the device and returns the microseconds per transaction, or a
// negative value when libmodbus is absent or a transaction failed.
double LibmodbusMicrosPerTxn(const std::string& device, unsigned baud, int count);
// The same with a libmodbus TCP master against 127.0.0.1:port.
double LibmodbusTcpMicrosPerTxn(int port, int count);

} // namespace velt::bench
