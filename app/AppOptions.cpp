#include "AppOptions.h"

#include "params/Language.h"

namespace velt {

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
        } else if (a == "--lang" || a == "--screenshot") {
            o.Error = a + " needs a value";
        } else {
            o.Error = "unknown option \"" + a + "\"";
        }
    }
    return o;
}

const char* AppUsage() {
    return "usage: velt-host [--demo] [--lang ko|en] [--connect] [--screenshot FILE]\n"
           "  --demo             run a simulated drive on COM3 for this session\n"
           "  --lang ko|en       Korean or English texts (default: the system language)\n"
           "  --connect          connect with the default settings once the window is up\n"
           "  --screenshot FILE  save a picture of the main window as FILE (PNG) and quit\n"
           "  --help             this text\n"
           "  --version          the program's version\n";
}

} // namespace velt
