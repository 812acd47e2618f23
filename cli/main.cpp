// velt-cli: global options, language, dispatch to the registered commands.
#include "base/IdList.h"
#include "cli/CliCommon.h"

#include "platform/ProgramEnvironment.h"
#include "platform/SystemLanguage.h"

#include "VeltVersion.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

using namespace velt;
using namespace velt::cli;

namespace {

void PrintUsage(FILE* out) {
    std::fprintf(
        out,
        "usage: velt-cli [--lang ko|en] [--port COMn|DEVICE] [--baud B] [--id N] [--trace] COMMAND [ARGS]\n"
        "\n"
        "A Modbus RTU master for VELT servo drives, for scripting and diagnosis.\n"
        "\n"
        "options:\n"
        "  --port COMn|DEVICE  port to use (default COM3). On Windows COMn is the COM port.\n"
        "                      tcp://HOST:PORT (Modbus TCP) or rtu-tcp://HOST:PORT (RTU over TCP)\n"
        "                      reach the drive through a gateway (PORT defaults to 502).\n"
        "                      On Linux COMn is resolved through the ports folder\n"
        "                      ($VELT_PORTS_DIR or ~/.config/velt-host/ports), else\n"
        "                      /dev/ttyS{n-1}; a path such as /dev/ttyUSB0 is used as is\n"
        "  --baud B            bit/s (default 9600), 8 data bits, no parity, 1 stop bit\n"
        "  --id N              drive ID, the Modbus slave address 0..255 (default 1)\n"
        "  --id LIST           several drives of one line (1,2,5 or 1-3): params read and\n"
        "                      params diff take each in turn, monitor prints each once a\n"
        "                      second; exit non-zero when any fails\n"
        "  --trace             print every exchange to stderr as \"TX: ..\" and \"RX: ..\"\n"
        "  --lang ko|en        language of names and messages (default: the system's)\n"
        "  --help              this text\n"
        "  --version           the program's version\n"
        "\n"
        "commands:\n");
    for (const CliCommand& c : Commands())
        std::fprintf(out, "%s\n", c.usage);
    std::fprintf(out, "\n"
                      "exit status: 0 success; the result code on a failed request (1..9 drive exception,\n"
                      "10 CRC, 11 no reply, 12 read, 13 write, 14 frame, 15 port not open, 16 broadcast);\n"
                      "17 a drive or gateway exception of 10 or more (stderr names it); 18 the drive\n"
                      "stopped answering (monitor); 64 bad arguments.\n");
}

int Run(int argc, char** argv) {
    CliOptions options;
    int lang = -1;
    int i = 1;
    auto needValue = [&](const char* opt) -> std::string {
        if (i + 1 >= argc) throw UsageError{std::string(opt) + " needs a value"};
        return argv[++i];
    };
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            PrintUsage(stdout);
            return 0;
        } else if (a == "--version") {
            PrintVersion("velt-cli");
            return 0;
        } else if (a == "--port") {
            options.port = needValue("--port");
            if (options.port.empty()) throw UsageError{"--port needs a value"};
            options.portGiven = true;
        } else if (a == "--baud") {
            options.baud = static_cast<uint32_t>(ParseIntArg(needValue("--baud"), 1, 4000000, "baud rate"));
        } else if (a == "--id") {
            const std::string value = needValue("--id");
            if (value.find_first_of(",-") == std::string::npos) {
                options.id = static_cast<uint8_t>(ParseIntArg(value, 0, 255, "drive ID"));
                options.ids = {options.id};
            } else if (const std::optional<std::vector<uint8_t>> ids = ParseIdList(value, 1, 247)) {
                options.ids = *ids;
                options.id = ids->front();
            } else {
                throw UsageError{"invalid drive IDs '" + value +
                                 "' (expected a list such as 1,2,5 or 1-3, each 1 to 247, each once)"};
            }
        } else if (a == "--trace") {
            options.trace = true;
        } else if (a == "--lang") {
            const std::string v = needValue("--lang");
            lang = ParseLangOption(v.c_str());
            if (lang < 0) throw UsageError{"--lang takes ko or en"};
        } else if (!a.empty() && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else {
            break;
        }
    }
    if (i >= argc) throw UsageError{"no command given"};
    options.korean = lang >= 0 ? lang == 1 : SystemDefaultIsKorean();

    const std::string name = argv[i];
    std::vector<std::string> args(argv + i + 1, argv + argc);
    const bool several = options.ids.size() > 1;
    if (several && name != "monitor" &&
        !(name == "params" && !args.empty() &&
          (args[0] == "read" || args[0] == "diff" || args[0] == "backups")))
        throw UsageError{name + (args.empty() ? "" : " " + args[0]) + " takes one drive ID"};
    for (const CliCommand& c : Commands())
        if (name == c.name) return c.run(options, args);
    throw UsageError{"unknown command " + name};
}

} // namespace

int main(int argc, char** argv) {
    UseUtf8Console(); // names and messages are UTF-8
    try {
        return Run(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "velt-cli: %s (velt-cli --help lists the commands and options)\n",
                     e.message.c_str());
        return kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velt-cli: %s\n", e.what());
        return 70;
    } catch (...) {
        std::fprintf(stderr, "velt-cli: unexpected failure\n");
        return 70;
    }
}
