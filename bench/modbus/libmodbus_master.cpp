#include "libmodbus_master.h"

#include <chrono>
#include <cstdint>
#include <modbus.h>

namespace velt::bench {

namespace {
// Times `count` reads of the 32 state registers from slave 1 on `ctx`, then
// frees it; -1 when it does not connect or a read fails.
double TimeReads(modbus_t* ctx, int count) {
    if (ctx == nullptr) return -1;
    if (modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) {
        modbus_free(ctx);
        return -1;
    }
    modbus_set_response_timeout(ctx, 1, 0);
    uint16_t regs[32];
    bool ok = true;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count && ok; ++i)
        ok = modbus_read_input_registers(ctx, 0, 32, regs) == 32;
    const auto took = std::chrono::steady_clock::now() - start;
    modbus_close(ctx);
    modbus_free(ctx);
    if (!ok) return -1;
    return std::chrono::duration<double, std::micro>(took).count() / count;
}
} // namespace

double LibmodbusMicrosPerTxn(const std::string& device, unsigned baud, int count) {
    return TimeReads(modbus_new_rtu(device.c_str(), static_cast<int>(baud), 'N', 8, 1), count);
}

double LibmodbusTcpMicrosPerTxn(int port, int count) {
    return TimeReads(modbus_new_tcp("127.0.0.1", port), count);
}

} // namespace velt::bench
