// velt-cli base commands: one Modbus request each, straight through
// CModbusPort, and ping, a latency probe with the state-block read.
#include "cli/CliCommon.h"

#include "link/CModbusPort.h"
#include "link/DriveMap.h"
#include "link/LinkTexts.h"
#include "link/PortOpenText.h"
#include "platform/SystemLanguage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace velt;
using namespace velt::cli;

namespace {

using Clock = std::chrono::steady_clock;
using Args = std::vector<std::string>;

constexpr long kDefaultPingCount = 100;
constexpr long kMaxPingCount = 1000000;

void ExpectArgCount(const Args& args, size_t count, const char* command) {
    if (args.size() != count)
        throw UsageError{std::string(command) + " takes " + std::to_string(count) + " argument" +
                         (count == 1 ? "" : "s")};
}

// Opens the port of the options, installs the trace and runs one request
// body. "Port Open Fail" and exit 15 when the port cannot be opened.
template <typename Body> int WithPort(const CliOptions& options, Body body) {
    CModbusPort port;
    if (!OpenPortFromOptions(port, options)) {
        PrintPortOpenFail(port, options.korean);
        return kExitPortOpenFail;
    }
    InstallTrace(port, options);
    return body(port);
}

template <typename T> void PrintValues(const T* values, int count) {
    std::string line;
    for (int i = 0; i < count; ++i) {
        if (i > 0) line += ' ';
        line += std::to_string(values[i]);
    }
    std::printf("%s\n", line.c_str());
}

void PrintSigned(const uint16_t* values, int count) {
    std::vector<int16_t> signedValues(values, values + count);
    PrintValues(signedValues.data(), count);
}

int ReadBits(const CliOptions& options, const Args& args, const char* command, bool coils) {
    ExpectArgCount(args, 0, command);
    return WithPort(options, [&](CModbusPort& port) {
        uint8_t bits[drive::BitCount]{};
        const RtuResult r =
            coils ? port.ReadCoils(options.id, bits) : port.ReadDiscreteInputs(options.id, bits);
        if (r != RTU_OK) return ReportFailure(r, port, options.korean);
        PrintValues(bits, drive::BitCount);
        return 0;
    });
}

int RunReadCoils(const CliOptions& options, const Args& args) {
    return ReadBits(options, args, "read-coils", true);
}

int RunReadInputs(const CliOptions& options, const Args& args) {
    return ReadBits(options, args, "read-inputs", false);
}

int RunReadHolding(const CliOptions& options, const Args& args) {
    ExpectArgCount(args, 2, "read-holding");
    const auto start = static_cast<uint16_t>(ParseIntArg(args[0], 0, 65535, "start address"));
    const auto quantity = static_cast<int>(ParseIntArg(args[1], 1, drive::MaxReadRegisters, "quantity"));
    return WithPort(options, [&](CModbusPort& port) {
        uint16_t values[drive::MaxReadRegisters]{};
        const RtuResult r = port.ReadHoldingRegisters(options.id, start, values, quantity);
        if (r != RTU_OK) return ReportFailure(r, port, options.korean);
        PrintSigned(values, quantity);
        return 0;
    });
}

int RunReadInputRegs(const CliOptions& options, const Args& args) {
    ExpectArgCount(args, 0, "read-input-regs");
    return WithPort(options, [&](CModbusPort& port) {
        uint16_t values[drive::StateCount]{};
        const RtuResult r = port.ReadInputRegisters(options.id, values);
        if (r != RTU_OK) return ReportFailure(r, port, options.korean);
        PrintSigned(values, drive::StateCount);
        return 0;
    });
}

int RunWriteCoil(const CliOptions& options, const Args& args) {
    ExpectArgCount(args, 2, "write-coil");
    const auto coil = static_cast<uint16_t>(ParseIntArg(args[0], 0, 65535, "coil address"));
    if (args[1] != "on" && args[1] != "off") throw UsageError{"write-coil state must be on or off"};
    const bool on = args[1] == "on";
    return WithPort(options, [&](CModbusPort& port) {
        const RtuResult r = port.WriteSingleCoil(options.id, coil, on);
        return r == RTU_OK ? 0 : ReportFailure(r, port, options.korean);
    });
}

int RunWriteRegister(const CliOptions& options, const Args& args) {
    ExpectArgCount(args, 2, "write-register");
    const auto reg = static_cast<uint16_t>(ParseIntArg(args[0], 0, 65535, "register address"));
    const auto value = static_cast<uint16_t>(ParseIntArg(args[1], -32768, 65535, "register value"));
    return WithPort(options, [&](CModbusPort& port) {
        const RtuResult r = port.WriteSingleRegister(options.id, reg, value);
        return r == RTU_OK ? 0 : ReportFailure(r, port, options.korean);
    });
}

long ParsePingCount(const Args& args) {
    if (args.empty()) return kDefaultPingCount;
    if (args.size() == 2 && args[0] == "--count") return ParseIntArg(args[1], 1, kMaxPingCount, "count");
    throw UsageError{"ping takes only --count N"};
}

// "latency_us min=A median=B p99=C max=D tps=E n=N errors=F" over the
// per-exchange times (sorted here) and the wall time of the whole run.
void PrintPingLine(std::vector<long long>& micros, long long totalMicros, long errors) {
    std::sort(micros.begin(), micros.end());
    const size_t n = micros.size();
    const long long median = n % 2 == 1 ? micros[n / 2] : (micros[n / 2 - 1] + micros[n / 2]) / 2;
    const size_t p99Rank = (n * 99 + 99) / 100; // nearest rank, 1-based
    const long long tps = totalMicros > 0 ? static_cast<long long>(n) * 1000000 / totalMicros : 0;
    std::printf("latency_us min=%lld median=%lld p99=%lld max=%lld tps=%lld n=%zu errors=%ld\n",
                micros.front(), median, micros[p99Rank - 1], micros.back(), tps, n, errors);
}

int RunPing(const CliOptions& options, const Args& args) {
    const long count = ParsePingCount(args);
    return WithPort(options, [&](CModbusPort& port) {
        std::vector<long long> micros;
        micros.reserve(static_cast<size_t>(count));
        uint16_t values[drive::StateCount]{};
        long errors = 0;
        RtuResult lastFailure = RTU_OK;
        std::string lastReason; // taken at the failure: later exchanges replace the port's own
        const auto begin = Clock::now();
        for (long i = 0; i < count; ++i) {
            const auto t0 = Clock::now();
            const RtuResult r = port.ReadInputRegisters(options.id, values);
            micros.push_back(
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count());
            if (r != RTU_OK) {
                ++errors;
                lastFailure = r;
                lastReason = LineFaultReason(port.LastLineFault(), options.korean);
            }
        }
        const auto total =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - begin).count();
        PrintPingLine(micros, total, errors);
        std::fflush(stdout);
        if (errors == 0) return 0;
        const int code = ReportFailure(lastFailure);
        if (!lastReason.empty()) PrintMessage(lastReason);
        return code;
    });
}

const CliRegistrar kReadCoils{
    {"read-coils", "  read-coils                  coils 0..15 (function 1), 0 or 1 each", &RunReadCoils}};
const CliRegistrar kReadInputs{
    {"read-inputs", "  read-inputs                 discrete inputs 0..15 (function 2), 0 or 1 each",
     &RunReadInputs}};
const CliRegistrar kReadHolding{
    {"read-holding", "  read-holding START QTY      QTY (1..125) holding registers from START (function 3)",
     &RunReadHolding}};
const CliRegistrar kReadInputRegs{{"read-input-regs",
                                   "  read-input-regs             the 32 state registers (function 4)",
                                   &RunReadInputRegs}};
const CliRegistrar kWriteCoil{
    {"write-coil", "  write-coil ADDR on|off      one coil (function 5)", &RunWriteCoil}};
const CliRegistrar kWriteRegister{
    {"write-register", "  write-register ADDR VALUE   one register, VALUE -32768..65535 (function 6)",
     &RunWriteRegister}};
const CliRegistrar kPing{
    {"ping",
     "  ping [--count N]            N state-block reads back to back (default 100);\n"
     "                              prints latency_us min/median/p99/max, tps, n, errors",
     &RunPing}};

} // namespace
