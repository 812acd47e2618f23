#include "AppOptions.h"

#include "params/Language.h"

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
constexpr int kScopeWindows = 4;
} // namespace

AppOptions ParseAppOptions(const std::vector<std::string>& args) {
    AppOptions o;
    for (size_t i = 0; i < args.size() && o.Error.empty(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--demo") {
            o.Demo = true;
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
        } else if (a == "--lang" || a == "--screenshot" || a == "--report" || a == "--scopes" ||
                   a == "--write-log") {
            o.Error = a + " needs a value";
        } else {
            o.Error = "unknown option \"" + a + "\"";
        }
    }
    return o;
}

const char* AppUsage() {
    return "usage: velt-host [--demo] [--lang ko|en] [--connect] [--screenshot FILE]\n"
           "                 [--report SECONDS] [--repeat] [--scopes N] [--reconnect]\n"
           "                 [--write-log FILE]\n"
           "  --demo             run a simulated drive on COM3 for this session\n"
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
