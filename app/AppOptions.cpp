#include "AppOptions.h"

#include "base/IdList.h"
#include "platform/SystemLanguage.h"

#include <charconv>

namespace velt {

namespace {
// A whole decimal number from min to max; false for anything else.
bool ParseBounded(const std::string& text, int min, int max, int* out) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max) return false;
    *out = value;
    return true;
}
constexpr int kMaxReportSeconds = 3600;
constexpr int kMinDemoBaud = 300;
constexpr int kMaxDemoBaud = 4000000;
constexpr int kMaxDriveId = 247;
constexpr int kScopeWindows = 4;
} // namespace

AppOptions ParseAppOptions(const std::vector<std::string>& args) {
    AppOptions o;
    for (size_t i = 0; i < args.size() && o.Error.empty(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--demo") {
            o.Demo = true;
        } else if (a == "--demo-tcp") {
            o.Demo = true;
            o.DemoTcp = true;
        } else if (a == "--connect") {
            o.Connect = true;
        } else if (a == "--help" || a == "-h") {
            o.Help = true;
        } else if (a == "--version") {
            o.Version = true;
        } else if (a == "--lang" && hasValue) {
            o.Lang = ParseLangOption(args[++i].c_str());
            if (o.Lang < 0) o.Error = "--lang takes ko or en, not \"" + args[i] + "\"";
        } else if (a == "--screenshot" && hasValue) {
            o.Screenshot = args[++i];
        } else if (a == "--repeat") {
            o.Repeat = true;
        } else if (a == "--reconnect") {
            o.Reconnect = true;
        } else if (a == "--write-log" && hasValue) {
            o.WriteLog = args[++i];
        } else if (a == "--report" && hasValue) {
            if (!ParseBounded(args[++i], 1, kMaxReportSeconds, &o.ReportSeconds))
                o.Error = "--report takes whole seconds from 1 to 3600, not \"" + args[i] + "\"";
        } else if (a == "--scopes" && hasValue) {
            if (!ParseBounded(args[++i], 0, kScopeWindows, &o.Scopes))
                o.Error = "--scopes takes 0 to 4, not \"" + args[i] + "\"";
        } else if (a == "--demo-baud" && hasValue) {
            if (!ParseBounded(args[++i], kMinDemoBaud, kMaxDemoBaud, &o.DemoBaud))
                o.Error = "--demo-baud takes a rate from 300 to 4000000 bit/s, not \"" + args[i] + "\"";
        } else if (a == "--demo-id" && hasValue) {
            if (!ParseBounded(args[++i], 1, kMaxDriveId, &o.DemoId))
                o.Error = "--demo-id takes 1 to 247, not \"" + args[i] + "\"";
        } else if (a == "--demo-ids" && hasValue) {
            o.Demo = true;
            const auto ids = ParseIdList(args[++i], 1, kMaxDriveId);
            if (ids)
                o.DemoIds = *ids;
            else
                o.Error =
                    "--demo-ids takes a list of IDs 1 to 247 such as 1,2,3 or 1-4, not \"" + args[i] + "\"";
        } else if (a == "--lang" || a == "--screenshot" || a == "--report" || a == "--scopes" ||
                   a == "--demo-baud" || a == "--demo-id" || a == "--demo-ids" || a == "--write-log") {
            o.Error = a + " needs a value";
        } else {
            o.Error = "unknown option \"" + a + "\"";
        }
    }
    return o;
}

const char* AppUsage() {
    return "usage: velt-host [--demo] [--demo-baud B] [--demo-id N] [--demo-ids LIST] [--lang ko|en]\n"
           "                 [--connect] [--screenshot FILE] [--report SECONDS] [--repeat] [--scopes N]\n"
           "                 [--reconnect] [--write-log FILE] [--demo-tcp]\n"
           "  --demo             run a simulated drive on COM3 for this session (Linux;\n"
           "                     Windows has no pseudo-terminal: there, join two COM\n"
           "                     ports and run velt-drive-sim on the other one)\n"
           "  --demo-tcp         the same drive behind a Modbus TCP gateway on 127.0.0.1; the\n"
           "                     settings start at its tcp://127.0.0.1:PORT\n"
           "  --demo-baud B      the simulated drive's own rate (default 9600); it answers\n"
           "                     only at that rate, as a real drive does\n"
           "  --demo-id N        the simulated drive's ID, 1 to 247 (default 1)\n"
           "  --demo-ids LIST    several simulated drives on the line (1,2,3 or 1-4); the\n"
           "                     settings start at the first, the line overview lists all.\n"
           "                     While the demo runs, lines on standard input go to the\n"
           "                     simulator's control, as velt-drive-sim's do: \"drive 3\n"
           "                     alarm 3\", \"drive 3 alarm 0\", \"drive 2 silent on\", ...\n"
           "  --lang ko|en       Korean or English texts (default: the system language)\n"
           "  --connect          connect with the default settings once the window is up\n"
           "  --screenshot FILE  save a picture of the main window as FILE (PNG) and quit\n"
           "  --report SECONDS   print the link's state and counters every SECONDS, and every\n"
           "                     message shown, on standard output (for long runs)\n"
           "  --repeat           once connected: servo on and start the repeat cycle (again\n"
           "                     after a line fault ended it, once the drive answers)\n"
           "  --scopes N         show N scope windows (0 to 4) and let them run\n"
           "  --reconnect        \"Reconnect automatically\" on from the start\n"
           "  --write-log FILE   append every write asked of the drive, with its steady-clock\n"
           "                     time in nanoseconds, to FILE (for long unattended runs)\n"
           "  --help             this text\n"
           "  --version          the program's version\n";
}

} // namespace velt
